// Lifecycle of the driver object and the private operations its faces share.
#include "driver/E14_140.h"

#include <algorithm>
#include <cmath>

#include "driver/UnitScale.h"
#include "driver/mE14_x40.h"
#include "driver/mL_Card.h"
#include "platform/Platform.h"

namespace e14 {

namespace {
E14_140::SettingsDialog& Dialog() {
  static E14_140::SettingsDialog dialog;
  return dialog;
}
}  // namespace

void E14_140::InstallSettingsDialog(SettingsDialog dialog) { Dialog() = std::move(dialog); }

E14_140::E14_140() {
  DriverState& s = State();
  std::string type = "E14_140";
  std::replace(type.begin(), type.end(), '_', '-');
  s.AdcInfo.DeviceType = type;
  s.AdcInfo.Name = "E-140";
  if (s.InstanceCount < 1) {
    OpenSettingsKey(s.AdcInfo.Name);
    LocateHelpFile();
    InitTables();
    LoadSettings("");
  }
  s.InstanceCount += 1;
}

E14_140::~E14_140() {
  DriverState& s = State();
  if (s.InstanceCount < 2) {
    if (s.Busy) {
      s.Busy = false;
      StopInput();
    }
    CloseBackends();
    s.Detected = false;
    s.HasDac = false;
    s.Backend = 0;
    s.DeviceToken = 0;
    if (!s.DeviceInfo.SerialNumber.empty()) SaveSettings(s.DeviceInfo.SerialNumber);
    SaveSettings("");
  }
  s.InstanceCount -= 1;
}

void E14_140::InitTables() {
  DriverState& s = State();
  AdcInfoRecord& info = s.AdcInfo;
  info.Resolution = 14;
  info.RangesCount = kRangeCount;
  const std::string separator = platform::DecimalSeparator();
  for (int i = 0; i < kRangeCount; ++i) {
    info.UnitScale[i] = NominalAdcScale(i);
    info.UnitOffset[i] = 0.0f;
    info.Ranges[i] = "\u00B1" + FormatNumber(AdcRangeVolts(i), 3, separator) + " V";
  }
  info.ChannelsCount = kLogicalChannels;
  for (int i = 0; i < kLogicalChannels; ++i) {
    info.ChannelRange[i] = 0;
    s.DeviceInfo.ChannelMap[i] = ChannelInput{static_cast<uint8_t>(i), false};
    s.DeviceInfo.ChannelCodes[i] = 0;
  }
  s.AdcInput.RateMax = 100000.0f;
  s.AdcInput.RequestedSize = 131072;
  s.AdcInput.ChCount = 1;
  s.AdcInput.ChTable = {0};
}

bool E14_140::DetectDevice() {
  DriverState& s = State();
  if (!s.Detected) {
    s.DeviceToken = 0;
    s.DeviceToken = SelectBackend();
    s.Detected = s.DeviceToken != 0;
  }
  return s.Detected;
}

int16_t E14_140::GetChannelRange(int16_t index) {
  const AdcInfoRecord& info = State().AdcInfo;
  return index >= 0 && index < info.ChannelsCount ? info.ChannelRange[index] : 0;
}

void E14_140::SetChannelRange(int16_t index, int16_t rangeIndex) {
  AdcInfoRecord& info = State().AdcInfo;
  if (index < 0 || index >= info.ChannelsCount || rangeIndex < 0 || rangeIndex >= info.RangesCount)
    return;
  info.ChannelRange[index] = rangeIndex;
  RebuildChannelCodes();
}

float E14_140::GetRate() { return ReadRate(); }

void E14_140::SetRate(float value) {
  DriverState& s = State();
  if (s.Busy || std::isnan(value)) return;
  const float magnitude = std::fabs(value);
  s.AdcInput.Rate = magnitude <= s.AdcInput.RateMax ? magnitude : s.AdcInput.RateMax;
}

bool E14_140::StartAcquisition() {
  const DriverState& s = State();
  return !s.Busy && s.Detected && StartInput();
}

void E14_140::StopAcquisition() { StopInput(); }

bool E14_140::IADC3_ShowSetting() {
  if (!State().Busy && Dialog()) Dialog()();
  return false;
}

}  // namespace e14
