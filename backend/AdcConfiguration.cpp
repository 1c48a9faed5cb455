#include "backend/AdcConfiguration.h"

#include <algorithm>
#include <cmath>

#include "driver/DriverState.h"

namespace e14 {

void FillChannelTable(AdcParams& params) {
  const DriverState& s = State();
  const AdcInputRecord& in = s.AdcInput;
  // Tables are validated when set; the bounds here keep the record safe anyway.
  const size_t count = std::min({static_cast<size_t>(std::max<int16_t>(in.ChCount, 0)),
                                 in.ChTable.size(), size_t{kMaxTableEntries}});
  params.ChannelsQuantity = static_cast<uint16_t>(count);
  for (size_t k = 0; k < count; ++k) {
    const int16_t logical = in.ChTable[k];
    params.ControlTable[k] = logical >= 0 && logical < kLogicalChannels
                                 ? static_cast<uint16_t>(s.DeviceInfo.ChannelCodes[logical])
                                 : 0;
  }
}

void FillSyncParameters(AdcParams& params) {
  const DeviceInfoRecord& info = State().DeviceInfo;
  params.Mode = 0;
  params.SynchroInputMode = static_cast<uint16_t>(info.SynchroInputMode);
  params.SynchroADType = static_cast<uint16_t>(info.SynchroADType);
  params.SynchroADMode = static_cast<uint16_t>(info.SynchroADMode);
  params.SynchroADPorog = static_cast<uint16_t>(info.SynchroADPorog);
  const ChannelInput& m = info.ChannelMap[std::clamp<int16_t>(info.SynchroADChannel, 0, 31)];
  const int range = std::clamp<int16_t>(info.SynchroADRange, 0, 3);
  params.SynchroADChannel = static_cast<uint16_t>(m.Input + (m.SingleEnded ? 32 : 0) + 64 * range);
}

namespace {
int32_t RoundToLong(double value) { return static_cast<int32_t>(RoundHalfEven(value)); }
}  // namespace

float ComputeTiming(AdcParams& params) {
  DriverState& s = State();
  AdcInputRecord& in = s.AdcInput;
  const int n = in.ChCount;
  if (!(in.Rate >= 1.0f) || std::isinf(in.Rate) || n < 1 || s.DeviceInfo.ClockHz <= 1 ||
      !(in.RateMax >= 1.0f))
    return in.Rate;

  float r = in.Rate;
  if (static_cast<float>(n) * r > in.RateMax) r = in.RateMax / static_cast<float>(n);
  const double base = RoundToLong(s.DeviceInfo.ClockHz / 2.0);
  int32_t minDiv = std::max(1, RoundToLong(base / in.RateMax));
  int32_t maxDiv = std::max(1, static_cast<int32_t>(base) / std::max(1, RoundToLong(static_cast<float>(n) * r)));
  maxDiv = std::min(maxDiv, 64000);

  if (RoundToLong(base / minDiv / r - (n - 1)) > 256)
    minDiv = std::max(1, RoundToLong(base / r / (256 + n - 1)));

  int32_t best = maxDiv;
  double bestFrac = 1.0;
  for (int32_t d = maxDiv; d >= minDiv; --d) {
    const double x = (base / d) / r;
    const double frac = x - std::floor(x);
    if (frac == 0.0) {
      best = d;
      break;
    }
    if (frac < bestFrac) {
      bestFrac = frac;
      best = d;
    }
  }

  const double adcRateKHz = (base / best) / 1000.0;
  const int32_t delayClocks = std::max(1, RoundToLong(base / best / r - (n - 1)));
  params.AdcRateKHz = adcRateKHz;
  params.InterKadrDelayMs = delayClocks / adcRateKHz;
  params.KadrRateKHz = 1.0 / ((n - 1) / adcRateKHz + params.InterKadrDelayMs);
  in.Rate = static_cast<float>(1000.0 * params.KadrRateKHz);
  return in.Rate;
}

}  // namespace e14
