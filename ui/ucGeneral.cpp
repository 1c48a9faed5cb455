#include "ui/ucGeneral.h"

#include <cmath>
#include <cstdlib>

#include "driver/DriverState.h"
#include "driver/mTypes3.h"
#include "ui/NumberText.h"
#include "ui/UiServices.h"

namespace e14 {

namespace {

constexpr int kFirstAnalogEntry = 3;  // entries before it: None, TTL Start, TTL Kadr
constexpr int kStoredLevelLimit = 8000;
// The threshold is a 16-bit value, so the limit stops doubling below 2^15.
constexpr int kLevelLimitCeiling = 32000;

int16_t LimitMagnitude(int16_t value, int limit) {
  if (std::abs(value) <= limit) return value;
  return static_cast<int16_t>(value < 0 ? -limit : limit);
}

// Largest threshold the slider offers: 125 doubled while half the ADC's
// code span still exceeds twice it (8000 for 14 bits).
int LevelLimit(uint8_t resolution) {
  const double halfSpan = std::ldexp(1.0, resolution - 1);
  int limit = 125;
  while (limit < kLevelLimitCeiling && halfSpan > 2.0 * limit) limit *= 2;
  return limit;
}

}  // namespace

ucGeneral::ucGeneral() {
  DriverState& s = State();
  DeviceInfoRecord& info = s.DeviceInfo;

  c_.txtInfo.Text = info.BoardInfo;
  c_.cboSynchro.Items = {"None", "TTL Start", "TTL Kadr"};
  for (int i = 0; i < s.AdcInfo.ChannelsCount && i < kLogicalChannels; ++i)
    c_.cboSynchro.Items.push_back("AI" + std::to_string(i + 1));
  c_.cboSRange.Items.assign(s.AdcInfo.Ranges.begin(), s.AdcInfo.Ranges.end());

  info.SynchroADPorog = LimitMagnitude(info.SynchroADPorog, kStoredLevelLimit);
  if (info.SynchroADType != 0) info.SynchroADType = 1;
  if (info.SynchroADMode != 0) info.SynchroADMode = 1;
  if (info.SynchroInputMode < 0) info.SynchroInputMode = 0;

  // Only channels 1..16 are offered back for a stored analog channel; a
  // negative one (never stored by the driver) counts from channel 1 too.
  const int entry = info.SynchroInputMode < kFirstAnalogEntry
                        ? info.SynchroInputMode
                        : kFirstAnalogEntry + (info.SynchroADChannel % 16 + 16) % 16;
  if (c_.cboSynchro.Select(entry)) SynchroChanged();

  const int limit = LevelLimit(s.AdcInfo.Resolution);
  Slider& slider = c_.slSLevel;
  slider.Min = -limit;
  slider.Max = limit;
  slider.TickFrequency = static_cast<int32_t>(RoundHalfEven(limit / 5.0));
  slider.LargeChange = slider.TickFrequency;

  info.SynchroADPorog = LimitMagnitude(info.SynchroADPorog, limit);
  slider.SetValue(-info.SynchroADPorog);
  RefreshLevelText();

  // A stored range the list does not hold shows the first range instead of failing.
  if (!c_.cboSRange.Select(info.SynchroADRange)) c_.cboSRange.Select(c_.cboSRange.Items.empty() ? -1 : 0);
  RefreshLevelText();

  c_.optSType[2 * info.SynchroADType + info.SynchroADMode].Value = true;
}

void ucGeneral::cboSynchro_Click(int listIndex) {
  if (!c_.cboSynchro.Enabled || listIndex < 0 || !c_.cboSynchro.Select(listIndex)) return;
  SynchroChanged();
}

void ucGeneral::optSType_Click(int index) {
  if (index < 0 || index >= static_cast<int>(c_.optSType.size()) || !c_.optSType[index].Enabled)
    return;
  for (size_t i = 0; i < c_.optSType.size(); ++i) c_.optSType[i].Value = static_cast<int>(i) == index;
}

void ucGeneral::slSLevel_Scroll(int32_t position) { slSLevel_Change(position); }

void ucGeneral::slSLevel_Change(int32_t position) {
  if (!c_.slSLevel.Enabled) return;
  c_.slSLevel.SetValue(position);
  RefreshLevelText();
}

void ucGeneral::cboSRange_Click(int listIndex) {
  if (!c_.cboSRange.Enabled || listIndex < 0 || !c_.cboSRange.Select(listIndex)) return;
  RefreshLevelText();
}

void ucGeneral::cmdCZero_Click() {
  if (!c_.cmdCZero.Enabled) return;
  c_.slSLevel.SetValue(0);
  RefreshLevelText();
}

void ucGeneral::imgLogo_Click() { Ui().OpenUrl(kMakerWebAddress); }

void ucGeneral::Page_SaveSetting() {
  DeviceInfoRecord& info = State().DeviceInfo;
  const int entry = c_.cboSynchro.ListIndex;
  if (entry < 0) return;
  if (entry < kFirstAnalogEntry) {
    info.SynchroInputMode = static_cast<int16_t>(entry);
    return;
  }
  info.SynchroInputMode = kFirstAnalogEntry;
  info.SynchroADChannel = static_cast<int16_t>(entry - kFirstAnalogEntry);
  info.SynchroADPorog = static_cast<int16_t>(-c_.slSLevel.Value);
  if (c_.cboSRange.ListIndex >= 0) info.SynchroADRange = static_cast<int16_t>(c_.cboSRange.ListIndex);
  for (size_t j = 0; j < c_.optSType.size(); ++j) {
    if (c_.optSType[j].Value) {
      info.SynchroADType = static_cast<int16_t>(j / 2);
      info.SynchroADMode = static_cast<int16_t>(j % 2);
      break;
    }
  }
}

void ucGeneral::SynchroChanged() {
  const bool analog = c_.cboSynchro.ListIndex >= kFirstAnalogEntry;
  c_.txtSLevel.Enabled = analog;
  c_.cmdCZero.Enabled = analog;
  c_.cboSRange.Enabled = analog;
  c_.slSLevel.Enabled = analog;
  for (OptionButton& option : c_.optSType) option.Enabled = analog;
  const uint32_t colour = analog ? kColourWindow : kColourButtonFace;
  c_.txtSLevel.BackColor = colour;
  c_.cboSRange.BackColor = colour;
  if (analog) RefreshLevelText();
}

void ucGeneral::RefreshLevelText() {
  const DriverState& s = State();
  const int32_t level = -c_.slSLevel.Value;
  const int range = c_.cboSRange.ListIndex;
  float volts = 0.0f;
  if (range >= 0 && range < kRangeCount)
    volts = static_cast<float>(level) / s.AdcInfo.UnitScale[range];

  const std::string separator = Ui().DecimalSeparator();
  const float a = std::fabs(volts);
  if (a > 1.0f) {
    levelText_ = DecimalsText(volts, 1, 3, separator);
  } else if (a > 0.1f) {
    levelText_ = DecimalsText(volts, 2, 4, separator);
  } else if (a > 0.01f) {
    levelText_ = DecimalsText(volts, 3, 5, separator);
  } else if (a > 0.001f) {
    levelText_ = DecimalsText(volts, 4, 6, separator);
  } else {
    levelText_ = "0";
  }
  c_.txtSLevel.Text = levelText_;
}

}  // namespace e14
