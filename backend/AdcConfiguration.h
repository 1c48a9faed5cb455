// Turns the driver's channel, synchronisation and rate settings into the
// module's ADC parameter record. Both back-ends use these with their own
// record; none of them talks to the module.
#pragma once

#include "vendor/VendorAbi.h"

namespace e14 {

// Count and control table from the channel table and the channel codes.
void FillChannelTable(AdcParams& params);
// Synchronisation fields and the mode word.
void FillSyncParameters(AdcParams& params);
// Clock divisor, inter-frame delay and frame rate for the requested rate;
// stores and returns the achieved frame rate in Hz. Rates below 1 Hz (the
// slow mode), no channel or an unknown clock leave the record untouched and
// return the requested rate.
float ComputeTiming(AdcParams& params);

}  // namespace e14
