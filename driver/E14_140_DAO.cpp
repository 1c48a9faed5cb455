// The analog-output face: static DAC levels as codes or volts.
#include <algorithm>
#include <cmath>

#include "driver/E14_140.h"
#include "driver/UnitScale.h"
#include "driver/mE14_x40.h"

namespace e14 {

namespace {

const DacInfoRecord& Dac() { return State().DacInfo; }

int16_t LimitCode(int32_t value) {
  return static_cast<int16_t>(std::clamp(value, Dac().ChannelMin, Dac().ChannelMax));
}

}  // namespace

bool E14_140::ValidDacChannel(int32_t index) { return index >= 0 && index < Dac().ChannelsCount; }

std::string E14_140::IDAO_Name() { return State().AdcInfo.Name; }
uint8_t E14_140::IDAO_Resolution() { return Dac().Resolution; }
bool E14_140::IDAO_Detected() { return Dac().ChannelsCount >= 1; }
bool E14_140::IDAO_Busy() { return Dac().Busy; }
std::string E14_140::IDAO_LastError() { return ""; }
int16_t E14_140::IDAO_ChannelsCount() { return Dac().ChannelsCount; }

std::string E14_140::IDAO_ChannelName(int16_t index) {
  return ValidDacChannel(index) ? "DAC" + std::to_string(index + 1) : "";
}

int32_t E14_140::IDAO_ChannelMax(int16_t) { return Dac().ChannelMax; }
int32_t E14_140::IDAO_ChannelMin(int16_t) { return Dac().ChannelMin; }
double E14_140::IDAO_ChannelMaxReal(int16_t) { return Dac().ChannelMaxReal; }
double E14_140::IDAO_ChannelMinReal(int16_t) { return Dac().ChannelMinReal; }
int16_t E14_140::IDAO_RangesCount() { return Dac().RangesCount; }
std::vector<std::string> E14_140::IDAO_Ranges() { return Dac().Ranges; }
int16_t E14_140::IDAO_ChannelRange(int16_t) { return 0; }
void E14_140::IDAO_ChannelRange(int16_t, int16_t) {}

double E14_140::IDAO_ChannelUnitScale(int16_t) {
  return RoundHalfEven(static_cast<double>(Dac().UnitScale) * 1000.0) / 1000.0;
}

double E14_140::IDAO_ChannelUnitOffset(int16_t) { return Dac().UnitOffset; }
std::string E14_140::IDAO_ChannelUnitName(int16_t) { return ""; }

int32_t E14_140::IDAO_Value(int16_t index) {
  return ValidDacChannel(index) ? Dac().Channels[index].Value : 0;
}

void E14_140::IDAO_Value(int16_t index, int32_t chValue) {
  if (ValidDacChannel(index)) WriteDac(index, LimitCode(chValue));
}

double E14_140::IDAO_ValueReal(int16_t index) {
  if (!ValidDacChannel(index) || Dac().UnitScale == 0.0f) return 0.0;
  const double volts = DacCodeToVolts(Dac(), Dac().Channels[index].Value);
  return RoundHalfEven(volts * 10000.0) / 10000.0;
}

void E14_140::IDAO_ValueReal(int16_t index, double chValue) {
  if (ValidDacChannel(index) && !std::isnan(chValue)) WriteDac(index, DacVoltsToCode(Dac(), chValue));
}

int32_t E14_140::IDAO_SetValues(int16_t chFirst, int16_t chCount, int32_t* chValues) {
  if (chCount < 1 || chValues == nullptr) return 0;
  int32_t written = 0;
  for (int32_t i = 0; i < chCount; ++i) {
    const int32_t channel = chFirst + i;
    if (!ValidDacChannel(channel)) continue;
    chValues[i] = LimitCode(chValues[i]);
    WriteDac(static_cast<int16_t>(channel), static_cast<int16_t>(chValues[i]));
    ++written;
  }
  return written;
}

int32_t E14_140::IDAO_SetValuesReal(int16_t chFirst, int16_t chCount, double* chValues) {
  if (chCount < 1 || chValues == nullptr) return 0;
  int32_t written = 0;
  for (int32_t i = 0; i < chCount; ++i) {
    const int32_t channel = chFirst + i;
    // NaN has no level to limit it to: such an entry is skipped like a bad channel.
    if (!ValidDacChannel(channel) || std::isnan(chValues[i])) continue;
    chValues[i] = std::clamp(chValues[i], Dac().ChannelMinReal, Dac().ChannelMaxReal);
    WriteDac(static_cast<int16_t>(channel), DacVoltsToCode(Dac(), chValues[i]));
    ++written;
  }
  return written;
}

}  // namespace e14
