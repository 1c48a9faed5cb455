#include "sim/DriverBlock.h"

#include <algorithm>

namespace e14::sim {

uint32_t DriverBlockSamples(uint32_t channels, double frameRateKHz) {
  constexpr uint32_t kMaxSamples = 1u << 20;
  channels = std::max(channels, 1u);
  uint32_t samples = channels;
  while (samples % 32 != 0) samples *= 2;
  // The driver keeps the frame rate in Hz as a float: the same rounding
  // decides a block that lasts exactly 40 ms.
  const double rateHz = static_cast<float>(1000.0 * frameRateKHz);
  while (static_cast<double>(samples / channels) / rateHz < 0.04 && 2 * samples <= kMaxSamples) samples *= 2;
  return samples;
}

}  // namespace e14::sim
