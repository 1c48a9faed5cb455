// The analog-input face.
#include <algorithm>

#include "driver/E14_140.h"
#include "driver/mE14_x40.h"

namespace e14 {

namespace {
bool ValidChannel(int16_t index) { return index >= 0 && index < kLogicalChannels; }
// Largest ring the host may ask for, in samples.
constexpr int32_t kMaxRequestedSize = 1 << 26;
}  // namespace

std::string E14_140::IADC3_ADCName() { return State().AdcInfo.Name; }
uint8_t E14_140::IADC3_Resolution() { return State().AdcInfo.Resolution; }
int16_t E14_140::IADC3_ChannelsCount() { return State().AdcInfo.ChannelsCount; }
float E14_140::IADC3_RateMax() { return State().AdcInput.RateMax; }

std::vector<std::string> E14_140::IADC3_Ranges() {
  const auto& ranges = State().AdcInfo.Ranges;
  return {ranges.begin(), ranges.end()};
}

bool E14_140::IADC3_Detected() { return State().Detected; }
bool E14_140::IADC3_Test() { return DetectDevice(); }
int16_t E14_140::IADC3_BasePort() { return State().DeviceToken; }
bool E14_140::IADC3_Busy() {
  if (State().Busy) return true;
  ReleaseEndedInput();
  return false;
}

std::string E14_140::IADC3_ChannelName(int16_t index) {
  return ValidChannel(index) ? State().AdcInfo.ChannelNames[index] : "";
}

int16_t E14_140::IADC3_ChannelRange(int16_t index) { return GetChannelRange(index); }
void E14_140::IADC3_ChannelRange(int16_t index, int16_t rangeIndex) {
  SetChannelRange(index, rangeIndex);
}

float E14_140::IADC3_ChannelUnitScale(int16_t index) {
  const AdcInfoRecord& info = State().AdcInfo;
  return ValidChannel(index) ? info.UnitScale[info.ChannelRange[index]] : 0.0f;
}

float E14_140::IADC3_ChannelUnitOffset(int16_t index) {
  const AdcInfoRecord& info = State().AdcInfo;
  return ValidChannel(index) ? info.UnitOffset[info.ChannelRange[index]] : 0.0f;
}

std::string E14_140::IADC3_ChannelUnitName(int16_t) { return ""; }
float E14_140::IADC3_Rate() { return GetRate(); }
void E14_140::IADC3_Rate(float sRate) { SetRate(sRate); }

void E14_140::IADC3_InputSizeData(int32_t newSize) {
  if (newSize > kMaxRequestedSize) return;
  State().AdcInput.RequestedSize = newSize;
  ComputeBufferSize(true, 0);
}

int32_t E14_140::IADC3_InputSizeData() { return State().AdcInput.Ring.SizeData(); }

int32_t E14_140::IADC3_InputCountData() { return State().AdcInput.Ring.CountData(); }

int32_t E14_140::IADC3_InputSizeKadrs() { return State().AdcInput.Ring.SizeKadrs(); }
int32_t E14_140::IADC3_InputCountKadrs() { return State().AdcInput.Ring.CountKadrs(); }
int16_t E14_140::IADC3_InputCountChannels() { return State().AdcInput.ChCount; }
std::vector<int16_t> E14_140::IADC3_InputChannels() { return State().AdcInput.ChTable; }

void E14_140::IADC3_InputChannels(const std::vector<int16_t>& table) {
  DriverState& s = State();
  if (s.Busy || table.size() > static_cast<size_t>(kMaxTableEntries)) return;
  if (!std::all_of(table.begin(), table.end(), ValidChannel)) return;
  s.AdcInput.ChTable = table;
  s.AdcInput.ChCount = static_cast<int16_t>(table.size());
  RebuildChannelCodes();
  ComputeBufferSize(true, 0);
}

int16_t E14_140::IADC3_GetChannel(int16_t index) { return ReadChannel(index); }

std::optional<std::vector<int16_t>> E14_140::IADC3_GetKadr() {
  if (State().Backend == 0) return std::nullopt;
  std::vector<int16_t> frame(State().AdcInput.ChTable.size(), 0);
  ReadKadr(frame);
  return frame;
}

bool E14_140::IADC3_StartRecord() { return StartAcquisition(); }
void E14_140::IADC3_StopRecord() { StopAcquisition(); }

FrameArray E14_140::IADC3_InputData() {
  AdcInputRecord& in = State().AdcInput;
  return in.Ring.TakeInputData(in.ChTable);
}

int32_t E14_140::IADC3_InputData(const FrameArrayMemory& memory) {
  AdcInputRecord& in = State().AdcInput;
  return in.Ring.TakeInputData(in.ChTable, memory);
}

int32_t E14_140::IADC3_GetData(int16_t* data, int32_t& dataSize, int32_t& inputCountData) {
  return State().AdcInput.Ring.TakeData(data, dataSize, inputCountData);
}

std::string E14_140::IADC3_LastError() { return State().AdcLastError; }
E14_140* E14_140::IADC3_Parent() { return this; }

StreamCounterValues E14_140::RecordingCounters() {
  const AdcInputRecord& in = State().AdcInput;
  StreamCounterValues values;
  values.FramesDelivered = in.Counters.FramesDelivered.load();
  values.BlocksDropped = in.Ring.DroppedBlocks();
  values.FramesDropped = in.Ring.DroppedFrames();
  values.ReadTimeouts = in.Counters.ReadTimeouts.load();
  values.ReadFailures = in.Counters.ReadFailures.load();
  values.Restarts = in.Counters.Restarts.load();
  values.FramesDiscarded = in.Counters.FramesDiscarded.load();
  return values;
}

}  // namespace e14
