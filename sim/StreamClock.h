// Module time of one ADC run against the steady clock. Module time starts at
// 0 when the ADC starts, runs `speedUp` times faster than the steady clock,
// stands still while the module is unplugged, and is undefined while unpaced
// (every sample is due at once).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace e14::sim {

// Nanoseconds since the steady clock's epoch.
int64_t SteadyNowNs();

class StreamClock {
 public:
  void Start(int64_t nowNs, double speedUp, bool unpaced);
  // Stops module time (unplug, ADC stop) and lets it go on again.
  void Hold(int64_t nowNs, bool held);
  // A new pace from now on. Leaving the unpaced mode resumes module time at
  // `resumeSeconds`, the time of the first sample not yet delivered.
  void SetPace(int64_t nowNs, double speedUp, bool unpaced, double resumeSeconds);

  // Module seconds at a steady time; null while unpaced.
  std::optional<double> SecondsAt(int64_t nowNs) const;
  // Steady time at which module time reaches `seconds` (rounded up); null
  // when no paced, running stretch covers it.
  std::optional<int64_t> SteadyNsAt(double seconds) const;

 private:
  // From WallNs on, module time goes from Seconds at Speed (0 = held).
  struct Stretch {
    int64_t WallNs;
    double Seconds;
    double Speed;
    bool Unpaced;
  };
  void Append(Stretch stretch);

  std::vector<Stretch> stretches_;
  double speedUp_ = 1;
  bool held_ = false;
  bool unpaced_ = false;
};

}  // namespace e14::sim
