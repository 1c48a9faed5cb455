#include "driver/UnitScale.h"

#include <cmath>

namespace e14 {

double AdcRangeVolts(int range) { return 10.0 / std::pow(4.0, range); }

float NominalAdcScale(int range) { return static_cast<float>(8000.0 / AdcRangeVolts(range)); }

int16_t DacVoltsToCode(const DacInfoRecord& dac, double volts) {
  const double x = (volts - dac.UnitOffset) * dac.UnitScale;
  if (std::isnan(x)) return 0;
  if (x >= dac.ChannelMax) return static_cast<int16_t>(dac.ChannelMax);
  if (x <= dac.ChannelMin) return static_cast<int16_t>(dac.ChannelMin);
  return static_cast<int16_t>(RoundHalfEven(x));
}

double DacCodeToVolts(const DacInfoRecord& dac, int32_t code) {
  return dac.UnitOffset + code / static_cast<double>(dac.UnitScale);
}

}  // namespace e14
