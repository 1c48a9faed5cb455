// The module's ADC clock: what a written AdcParams record makes it run at,
// and where each sample of a stream falls in time.
#pragma once

#include <cstdint>
#include <string>

#include "vendor/VendorAbi.h"

namespace e14::sim {

// A stream as the module runs it. A frame lasts FrameTicks ADC clock periods:
// Channels - 1 between its first and last sample and the inter-frame delay
// after the last one.
struct AdcTiming {
  uint32_t Channels = 1;
  uint64_t FrameTicks = 1;
  double RateHz = 100000;  // ADC conversion rate
  double FrameRateKHz = 0;  // as written back to the driver
};

// Fastest conversion rate: revision 'A' modules reach 100 kHz, later ones 200.
inline double MaxAdcRateHz(char revision) { return revision <= 'A' ? 100000 : 200000; }

// Rounds the record's rates to what the clock can do (clockKHz / 2 divided by
// an integer, a whole number of periods of delay) and writes the three rate
// fields back. False with a reason for a record the module cannot run.
bool ProgramAdc(AdcParams& params, double clockKHz, double maxRateHz, std::string& error);

// Timing of a record that ProgramAdc accepted.
AdcTiming TimingOf(const AdcParams& params);

// ADC clock period of stream sample `sample` (counted from the start).
uint64_t SampleTick(const AdcTiming& timing, uint64_t sample);
// Number of samples taken by `seconds` of module time after the start.
uint64_t SamplesDue(const AdcTiming& timing, double seconds);

}  // namespace e14::sim
