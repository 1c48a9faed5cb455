// Codes and volts: the ADC ranges' nominal scales and the DAC's conversion
// both ways, one copy for the driver's faces and the settings pages.
#pragma once

#include <cstdint>

#include "driver/DriverState.h"

namespace e14 {

// Full scale of ADC range 0..3: ±10, ±2.5, ±0.625, ±0.15625 V.
double AdcRangeVolts(int range);
// Codes per volt of an ADC range before calibration (full scale is 8000).
float NominalAdcScale(int range);

// The code for `volts`, within the channel limits; NaN gives 0.
int16_t DacVoltsToCode(const DacInfoRecord& dac, double volts);
// The volts a code stands for; not finite when the DAC has no scale.
double DacCodeToVolts(const DacInfoRecord& dac, int32_t code);

}  // namespace e14
