// What an input carries and how the ADC turns volts into codes.
#pragma once

#include <cstdint>

#include "sim/Config.h"

namespace e14::sim {

// The module's outputs as loopback inputs see them.
class Outputs {
 public:
  virtual ~Outputs() = default;
  virtual double DacVolts(int channel, double seconds) const = 0;
  virtual uint16_t TtlWord() const = 0;  // 0 while the outputs are disabled
};

// Volts of a signal at a time of the module clock. `tick` numbers the ADC
// clock periods since the start and seeds the noise, so that noise follows
// the sample counter; `input` separates the noise of different inputs.
double SignalVolts(const Signal& signal, double seconds, uint64_t tick, int input, const Outputs& outputs);

// The code of `volts` on an input range with the module's calibration:
// the nominal 800 * 4^range codes per volt divided by the gain factor, less
// the offset, clamped to the 14-bit range.
int16_t AdcCode(double volts, int range, double offset, double gain);

// The test pattern: frame number and table position, so that order and
// completeness of a stream can be checked.
constexpr int16_t PatternSample(uint64_t frame, uint32_t position) {
  return static_cast<int16_t>(static_cast<uint16_t>(((frame & 0x7FF) << 5) | (position & 0x1F)));
}

}  // namespace e14::sim
