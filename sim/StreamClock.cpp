#include "sim/StreamClock.h"

#include <chrono>
#include <cmath>

namespace e14::sim {

int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void StreamClock::Start(int64_t nowNs, double speedUp, bool unpaced) {
  stretches_.clear();
  speedUp_ = speedUp;
  unpaced_ = unpaced;
  held_ = false;
  Append({nowNs, 0.0, speedUp, unpaced});
}

void StreamClock::Hold(int64_t nowNs, bool held) {
  if (stretches_.empty() || held == held_) return;
  held_ = held;
  const double seconds = SecondsAt(nowNs).value_or(stretches_.back().Seconds);
  Append({nowNs, seconds, held ? 0.0 : speedUp_, unpaced_});
}

void StreamClock::SetPace(int64_t nowNs, double speedUp, bool unpaced, double resumeSeconds) {
  const bool wasUnpaced = unpaced_;
  speedUp_ = speedUp;
  unpaced_ = unpaced;
  if (stretches_.empty()) return;
  const double seconds = wasUnpaced ? resumeSeconds : SecondsAt(nowNs).value_or(resumeSeconds);
  Append({nowNs, seconds, held_ ? 0.0 : speedUp, unpaced});
}

void StreamClock::Append(Stretch stretch) {
  // A stretch that never ran tells nothing about any time.
  if (!stretches_.empty() && stretches_.back().WallNs == stretch.WallNs) stretches_.pop_back();
  stretches_.push_back(stretch);
}

std::optional<double> StreamClock::SecondsAt(int64_t nowNs) const {
  if (stretches_.empty()) return 0.0;
  const Stretch& s = stretches_.back();
  if (s.Unpaced) return std::nullopt;
  return s.Seconds + static_cast<double>(nowNs - s.WallNs) * 1e-9 * s.Speed;
}

std::optional<int64_t> StreamClock::SteadyNsAt(double seconds) const {
  for (size_t i = stretches_.size(); i-- > 0;) {
    const Stretch& s = stretches_[i];
    if (s.Seconds > seconds) continue;
    if (s.Unpaced || s.Speed == 0) return std::nullopt;
    const double ns = std::ceil((seconds - s.Seconds) / s.Speed * 1e9);
    const int64_t at = s.WallNs + static_cast<int64_t>(ns);
    // A later stretch took over before that time: the moment fell into a
    // stretch that did not run.
    if (i + 1 < stretches_.size() && at > stretches_[i + 1].WallNs) return std::nullopt;
    return at;
  }
  return std::nullopt;
}

}  // namespace e14::sim
