// What the two computations of a start cost, each beside a baseline measured
// in the same run:
//   ComputeTiming  per call, against copying the 296-byte parameter record it
//                  fills (so "12x" reads: as dear as twelve record copies);
//   BuildDacWave   two sine channels of the streaming module, against filling
//                  the same number of points with a plain binary64 std::sin.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "backend/AdcConfiguration.h"
#include "bench/StepTimer.h"
#include "driver/mE14_x40.h"
#include "generator/tDAO_140M.h"

namespace {

using e14::bench::TimePerStep;
constexpr std::chrono::milliseconds kSpan(300);


// Keeps a result alive so the compiler cannot drop the work that made it.
volatile double sink = 0;

}  // namespace

int main() {
  using namespace e14;
  DriverState& s = State();
  s.DeviceInfo.ClockHz = 16000000;
  s.AdcInput.ChCount = 3;

  AdcParams params{};
  AdcParams copy{};
  const double timing = TimePerStep([&](int64_t step) {
    s.AdcInput.Rate = 1000.0f + static_cast<float>(step % 5000);
    sink = sink + ComputeTiming(params);
  }, kSpan, 16);
  const double record = TimePerStep([&](int64_t step) {
    params.ControlTable[0] = static_cast<uint16_t>(step);
    std::memcpy(&copy, &params, sizeof params);
    sink = sink + copy.ControlTable[0];
  }, kSpan, 16);

  s.DacInfo.RateMax = 200000.0f;
  s.DacInfo.MaxLen = 5120;
  s.DacInfo.ChannelMin = -32767;
  s.DacInfo.ChannelMax = 32767;
  s.DacInfo.Rate = 50.0f;
  for (DacChannel& channel : s.DacInfo.Channels) {
    channel.Type = kDacSine;
    channel.Amp = 16000;
  }
  const double build = TimePerStep([&](int64_t) {
    BuildDacWave();
    sink = sink + s.DacWave.back();
  }, kSpan);
  const size_t points = s.DacWave.size();
  std::vector<int16_t> plain(points);
  const double sine = TimePerStep([&](int64_t step) {
    const double w = 2.0 * 3.14159265358979323846 / static_cast<double>(points / 2);
    for (size_t i = 0; i < points; ++i)
      plain[i] = static_cast<int16_t>(16000.0 * std::sin(w * static_cast<double>(i / 2) + static_cast<double>(step)));
    sink = sink + plain.back();
  }, kSpan);

  std::printf("%-14s %12s %12s %10s\n", "", "cost", "baseline", "ratio");
  std::printf("%-14s %9.1f ns %9.1f ns %9.1fx  (baseline: copy of the parameter record)\n", "ComputeTiming",
              timing * 1e9, record * 1e9, timing / record);
  std::printf("%-14s %9.1f us %9.1f us %9.2fx  (baseline: std::sin over the same %zu points)\n", "BuildDacWave",
              build * 1e6, sine * 1e6, build / sine, points);
  return 0;
}
