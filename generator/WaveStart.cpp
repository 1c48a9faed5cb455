#include "generator/WaveStart.h"

#include "driver/mE14_x40.h"
#include "generator/tDAO_140M.h"

namespace e14 {

void StartDacReplay() {
  if (State().DacInfo.RateMax > 0.0f) BuildDacWave();
  StartDacOutput();
}

bool StartGeneratedWave(const WaveRequest& request) {
  DacInfoRecord& dac = State().DacInfo;
  if (dac.RateMax <= 0.0f || request.Channel < 0 || request.Channel >= dac.ChannelsCount) return false;
  DacChannel& channel = dac.Channels[request.Channel];
  channel.Type = request.Type;
  channel.Amp = request.Amplitude;
  channel.Base = request.Baseline;
  channel.Phase = request.Phase;
  dac.Rate = request.Frequency;
  StartDacReplay();
  return dac.Busy;
}

}  // namespace e14
