#include "sim/AdcTiming.h"

#include <algorithm>
#include <cmath>

namespace e14::sim {

bool ProgramAdc(AdcParams& params, double clockKHz, double maxRateHz, std::string& error) {
  const uint32_t channels = params.ChannelsQuantity;
  if (channels < 1 || channels > 128) {
    error = "Invalid number of ADC channels: " + std::to_string(channels);
    return false;
  }
  if (!(params.AdcRateKHz > 0) || !std::isfinite(params.AdcRateKHz) ||
      !(params.InterKadrDelayMs >= 0) || !std::isfinite(params.InterKadrDelayMs)) {
    error = "Invalid ADC rate or inter-frame delay";
    return false;
  }
  const double base = std::round(clockKHz * 1000 / 2);
  const double minDivisor = std::ceil(base / maxRateHz);
  const double divisor = std::clamp(std::round(base / (params.AdcRateKHz * 1000)), minDivisor, 65535.0);
  // The same expressions as the driver's timing, so that exact values survive.
  params.AdcRateKHz = base / divisor / 1000;
  const double delay = std::clamp(std::round(params.InterKadrDelayMs * params.AdcRateKHz), 1.0, 65535.0);
  params.InterKadrDelayMs = delay / params.AdcRateKHz;
  params.KadrRateKHz = 1 / ((channels - 1) / params.AdcRateKHz + params.InterKadrDelayMs);
  return true;
}

AdcTiming TimingOf(const AdcParams& params) {
  AdcTiming t;
  t.Channels = std::max<uint32_t>(1, params.ChannelsQuantity);
  t.RateHz = params.AdcRateKHz * 1000;
  const double delay = std::max(1.0, std::round(params.InterKadrDelayMs * params.AdcRateKHz));
  t.FrameTicks = t.Channels - 1 + static_cast<uint64_t>(delay);
  t.FrameRateKHz = params.KadrRateKHz;
  return t;
}

uint64_t SampleTick(const AdcTiming& timing, uint64_t sample) {
  return sample / timing.Channels * timing.FrameTicks + sample % timing.Channels;
}

uint64_t SamplesDue(const AdcTiming& timing, double seconds) {
  if (!(seconds >= 0)) return 0;
  // The tolerance makes a sample due at the very time computed for it.
  const auto ticks = static_cast<uint64_t>(std::floor(seconds * timing.RateHz + 1e-6));
  const uint64_t frame = ticks / timing.FrameTicks;
  const uint64_t within = std::min<uint64_t>(ticks % timing.FrameTicks, timing.Channels - 1);
  return frame * timing.Channels + within + 1;
}

}  // namespace e14::sim
