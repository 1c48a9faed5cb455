#include "sim/Signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace e14::sim {
namespace {

// Stateless mixing, so that a noise value depends on its inputs only.
uint64_t SplitMix64(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

double SignalVolts(const Signal& s, double seconds, uint64_t tick, int input, const Outputs& outputs) {
  switch (s.Kind) {
    case SignalKind::Pattern:
      return 0;
    case SignalKind::Dc:
      return s.Value;
    case SignalKind::Sine:
      return s.Offset + s.Amplitude * std::sin(2 * std::numbers::pi * s.Frequency * seconds +
                                               s.PhaseDeg * std::numbers::pi / 180);
    case SignalKind::Ramp: {
      // Sample times are rounded: a time meant to end a period may fall a
      // hair short of it, and must still start the next one.
      const double cycles = seconds / s.PeriodS;
      return s.From + (s.To - s.From) * std::max(0.0, cycles - std::floor(cycles + 1e-9));
    }
    case SignalKind::Noise: {
      const uint64_t h = SplitMix64(s.Seed ^ SplitMix64(tick ^ (static_cast<uint64_t>(input) << 56)));
      const double unit = static_cast<double>(h >> 11) * 0x1.0p-53;
      return s.Offset + s.Amplitude * (2 * unit - 1);
    }
    case SignalKind::Dac:
      return outputs.DacVolts(s.Channel, seconds);
    case SignalKind::Ttl:
      return (outputs.TtlWord() >> s.Bit & 1) != 0 ? s.High : 0.0;
  }
  return 0;
}

int16_t AdcCode(double volts, int range, double offset, double gain) {
  const double scale = 800.0 * std::pow(4.0, range) / gain;
  const double code = std::round(volts * scale - offset);
  if (std::isnan(code)) return 0;
  return static_cast<int16_t>(std::clamp(code, -8192.0, 8191.0));
}

}  // namespace e14::sim
