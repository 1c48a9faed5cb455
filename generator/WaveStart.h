// Starting the analog outputs: from the settings dialog with what it holds,
// or from outside it with one channel's waveform and the output rate.
#pragma once

#include <cstdint>

namespace e14 {

struct WaveRequest {
  int16_t Channel = 0;
  int16_t Type = 0;       // DacWaveType
  int16_t Amplitude = 0;  // DAC codes
  int16_t Baseline = 0;   // DAC codes
  float Frequency = 0.0f; // Hz
  float Phase = 0.0f;     // fraction of a period
};

// Rebuilds the waveform when the module can replay one, then starts the
// output (replayed, or the static levels).
void StartDacReplay();

// Sets the channel's waveform and the rate, then StartDacReplay. False when
// the open module cannot replay, the channel does not exist, or the replay
// did not start.
bool StartGeneratedWave(const WaveRequest& request);

}  // namespace e14
