#include "ui/ucDAC.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "driver/UnitScale.h"
#include "driver/mE14_x40.h"
#include "driver/mTypes3.h"
#include "generator/WaveStart.h"
#include "ui/NumberText.h"
#include "ui/UiServices.h"

namespace e14 {

namespace {

constexpr float kMinFrequency = 0.02f;
constexpr float kMaxFrequency = 10000.0f;
constexpr float kMinPhase = 0.0f;
constexpr float kMaxPhase = 1.0f;
constexpr float kDefaultFrequency = 100.0f;
constexpr int kVoltageSteps = 41;  // full scale down to minus full scale in 0.25 V

const char* const kBasicTypes[] = {"Off", "DC"};
const char* const kGeneratedTypes[] = {"Noise", "Sine", "Pulse", "Ramp", "Triangle"};
const double kFrequencies[] = {0.02, 0.025, 0.04, 0.05, 0.075, 0.1, 0.2,  0.25, 0.4,  0.5,  0.75, 1,
                               2,    5,     10,   20,   50,    100, 200, 500,  1000, 2000, 5000, 10000};

int16_t ToCode(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

bool ValidRow(int row) { return row == 0 || row == 1; }

void Enable(ComboBox& combo, bool enabled) {
  combo.Enabled = enabled;
  combo.BackColor = enabled ? kColourWindow : kColourButtonFace;
}

}  // namespace

ucDAC::ucDAC() : separator_(Ui().DecimalSeparator()) {
  const DriverState& s = State();
  const DacInfoRecord& dac = s.DacInfo;
  c_.lstChannels.TabStops = {78, 140};
  c_.cboDAC[kAmplitude].Text = c_.cboDAC[kBaseline].Text = "0";
  c_.cboRate[kFrequency].Text = "10";
  c_.cboRate[kPhase].Text = "0";
  for (ComboBox& combo : c_.cboDAC) Enable(combo, false);
  for (ComboBox& combo : c_.cboRate) Enable(combo, false);
  for (Slider& slider : c_.slDAC) slider.Enabled = false;
  if (!s.HasDac) return;

  for (ComboBox& combo : c_.cboDAC) {
    combo.Clear();
    for (int i = 0; i < kVoltageSteps; ++i)
      combo.Items.push_back(DoubleText(dac.ChannelMaxReal - i * 0.25, separator_));
  }
  // Ticks at every volt: codes per whole volt of full scale.
  const double fullScale = RoundHalfEven(dac.ChannelMaxReal);
  const auto tick = static_cast<int32_t>(fullScale != 0.0 ? RoundHalfEven(dac.ChannelMax / fullScale) : 0.0);
  for (Slider& slider : c_.slDAC) {
    slider.Min = dac.ChannelMin;
    slider.Max = dac.ChannelMax;
    slider.TickFrequency = slider.LargeChange = tick;
  }

  for (ComboBox& combo : c_.cboRate) combo.Clear();
  c_.cboRate[kFrequency].Text = "10";
  c_.cboRate[kPhase].Text = "0";
  c_.cboDACType.Items.assign(std::begin(kBasicTypes), std::end(kBasicTypes));
  if (dac.RateMax > 0.0f) {
    c_.cboDACType.Items.insert(c_.cboDACType.Items.end(), std::begin(kGeneratedTypes),
                               std::end(kGeneratedTypes));
    for (double frequency : kFrequencies)
      c_.cboRate[kFrequency].Items.push_back(DoubleText(frequency, separator_));
    c_.cboRate[kPhase].Items.push_back("0");
    for (int i = 1; i <= 19; ++i) {
      const int hundredths = i * 5;
      c_.cboRate[kPhase].Items.push_back("0" + separator_ + (hundredths < 10 ? "0" : "") +
                                         std::to_string(hundredths));
    }
  }
  LoadPage();
}

ucDAC::~ucDAC() { State().LastDacChannel = static_cast<int16_t>(curChannel_); }

void ucDAC::lstChannels_Click(int listIndex) {
  if (listIndex < 0 || !c_.lstChannels.Select(listIndex)) return;
  ChannelSelected();
}

void ucDAC::cboDACType_Click(int listIndex) {
  if (!c_.cboDACType.Enabled || listIndex < 0 || !c_.cboDACType.Select(listIndex)) return;
  TypeChosen();
}

void ucDAC::slDAC_Scroll(int row, int32_t position) {
  if (!ValidRow(row) || !c_.slDAC[row].Enabled) return;
  c_.slDAC[row].SetValue(position);
  ShowVolts(row, c_.slDAC[row].Value);
}

void ucDAC::slDAC_Change(int row, int32_t position) {
  if (!ValidRow(row) || !c_.slDAC[row].Enabled) return;
  c_.slDAC[row].SetValue(position);
  ShowVolts(row, c_.slDAC[row].Value);
  if (curChannel_ < 0 || curChannel_ >= ChannelCount()) return;
  const int16_t code = ToCode(c_.slDAC[row].Value);
  (row == kAmplitude ? work_[curChannel_].Amp : work_[curChannel_].Base) = code;
  UpdateChannelLine(curChannel_);
}

void ucDAC::cboDAC_Change(int row, const std::string& text) {
  if (!ValidRow(row) || !c_.cboDAC[row].Enabled) return;
  c_.cboDAC[row].Text = text;
  c_.cboDAC[row].ListIndex = -1;
  voltageTyped_[row] = true;
}

void ucDAC::cboRate_Change(int row, const std::string& text) {
  if (!ValidRow(row) || !c_.cboRate[row].Enabled) return;
  c_.cboRate[row].Text = text;
  c_.cboRate[row].ListIndex = -1;
  rateTyped_[row] = true;
}

void ucDAC::cboDAC_Click(int row, int listIndex) {
  if (!ValidRow(row) || !c_.cboDAC[row].Enabled || listIndex < 0 || !c_.cboDAC[row].Select(listIndex))
    return;
  ValidateVoltage(row);
}

void ucDAC::cboRate_Click(int row, int listIndex) {
  if (!ValidRow(row) || !c_.cboRate[row].Enabled || listIndex < 0 ||
      !c_.cboRate[row].Select(listIndex))
    return;
  ValidateRate(row);
}

bool ucDAC::cboDAC_Validate(int row) {
  if (!ValidRow(row) || !voltageTyped_[row]) return true;
  return ValidateVoltage(row);
}

bool ucDAC::cboRate_Validate(int row) {
  if (!ValidRow(row) || !rateTyped_[row]) return true;
  return ValidateRate(row);
}

void ucDAC::cmdDACSet_Click(int command) {
  if (command == kStart) {
    Page_SaveSetting();
    StartDacReplay();
  } else if (command == kStop) {
    StopDacOutput();
  }
}

void ucDAC::Page_SaveSetting() {
  if (!loaded_) return;
  DacInfoRecord& dac = State().DacInfo;
  for (int ch = 0; ch < ChannelCount(); ++ch) {
    DacChannel& target = dac.Channels[ch];
    target.Type = work_[ch].Type;
    target.Amp = work_[ch].Amp;
    target.Base = work_[ch].Base;
    target.Phase = work_[ch].Phase;
  }
  if (dac.RateMax > 0.0f) dac.Rate = workRate_;
}

int ucDAC::ChannelCount() const {
  return std::clamp<int>(State().DacInfo.ChannelsCount, 0, kDacChannels);
}

void ucDAC::LoadPage() {
  const DriverState& s = State();
  const DacInfoRecord& dac = s.DacInfo;
  workRate_ = dac.Rate;
  if (!(workRate_ >= kMinFrequency && workRate_ <= dac.RateMax)) workRate_ = kDefaultFrequency;
  c_.cboRate[kFrequency].Text = SingleText(workRate_, separator_);

  work_.assign(dac.Channels.begin(), dac.Channels.begin() + ChannelCount());
  loaded_ = true;
  if (!work_.empty()) c_.cboRate[kPhase].Text = SingleText(work_[0].Phase, separator_);

  for (int ch = 0; ch < ChannelCount(); ++ch) UpdateChannelLine(ch);
  c_.lstChannels.Items.resize(std::min<size_t>(c_.lstChannels.Items.size(), ChannelCount()));

  // A remembered channel the module no longer has falls back to the first.
  const int remembered = s.LastDacChannel < ChannelCount() ? s.LastDacChannel : 0;
  if (c_.lstChannels.Select(remembered)) ChannelSelected();
  UpdateEnables();
}

void ucDAC::ChannelSelected() {
  curChannel_ = c_.lstChannels.ListIndex;
  c_.lblDACType.Caption = "AO" + std::to_string(curChannel_ + 1) + " &Type:";
  if (curChannel_ < 0 || curChannel_ >= ChannelCount()) return;
  const DacChannel& channel = work_[curChannel_];
  // A stored type the list does not offer shows no item and stays as it is.
  if (channel.Type >= 0 && c_.cboDACType.Select(channel.Type)) {
    TypeChosen();
  } else {
    c_.cboDACType.Select(-1);
    UpdateEnables();
  }
  c_.slDAC[kAmplitude].SetValue(channel.Amp);
  ShowVolts(kAmplitude, channel.Amp);
  c_.slDAC[kBaseline].SetValue(channel.Base);
  ShowVolts(kBaseline, channel.Base);
  UpdateChannelLine(curChannel_);
}

void ucDAC::TypeChosen() {
  if (curChannel_ < 0 || curChannel_ >= ChannelCount()) return;
  const int type = c_.cboDACType.ListIndex;
  c_.imgType.Resource = BitmapOfType(type);
  work_[curChannel_].Type = static_cast<int16_t>(type);
  UpdateChannelLine(curChannel_);
  UpdateEnables();
}

void ucDAC::UpdateEnables() {
  const bool edited = curChannel_ >= 0 && curChannel_ < ChannelCount();
  const int type = edited ? work_[curChannel_].Type : int{kDacOff};
  const std::array<bool, 2> rows = {type != kDacOff, type != kDacOff && type != kDacDc};
  for (int i = 0; i < 2; ++i) {
    c_.lblDAC[i].Enabled = rows[i];
    Enable(c_.cboDAC[i], rows[i]);
    c_.slDAC[i].Enabled = rows[i];
  }
  if (!(State().DacInfo.RateMax > 0.0f)) return;
  const int type0 = !work_.empty() ? work_[0].Type : int{kDacOff};
  const int type1 = work_.size() > 1 ? work_[1].Type : int{kDacOff};
  // Noise needs no frequency; a phase offset needs two periodic channels.
  const std::array<bool, 2> rateRows = {!(type0 < kDacSine && type1 < kDacSine),
                                        type0 > kDacNoise && type1 > kDacNoise};
  for (int i = 0; i < 2; ++i) {
    c_.lblRate[i].Enabled = rateRows[i];
    Enable(c_.cboRate[i], rateRows[i]);
  }
}

void ucDAC::UpdateChannelLine(int channel) {
  if (channel < 0 || channel >= ChannelCount()) return;
  const DacChannel& entry = work_[channel];
  const auto& types = c_.cboDACType.Items;
  std::string line = "AO" + std::to_string(channel + 1) + ": " +
                     (entry.Type >= 0 && entry.Type < static_cast<int>(types.size()) ? types[entry.Type] : "");
  if (entry.Type > kDacOff) line += "\tA=" + CodeToVolts(entry.Amp) + " V";
  if (entry.Type > kDacDc) line += "\tB=" + CodeToVolts(entry.Base) + " V";
  if (channel < static_cast<int>(c_.lstChannels.Items.size())) c_.lstChannels.Items[channel] = line;
}

std::string ucDAC::CodeToVolts(int32_t code) const {
  const double volts = DacCodeToVolts(State().DacInfo, code);
  // A scale of 0 (no DAC description) gives no number to show.
  if (!std::isfinite(volts) || std::fabs(volts) > 1.0e9) return "0";
  return FormatNumber(volts, 3, separator_);
}

void ucDAC::ShowVolts(int row, int32_t code) {
  c_.cboDAC[row].Text = CodeToVolts(code);
  c_.cboDAC[row].ListIndex = -1;
  voltageTyped_[row] = false;
}

bool ucDAC::ValidateVoltage(int row) {
  if (curChannel_ < 0 || curChannel_ >= ChannelCount()) return true;
  const DacInfoRecord& dac = State().DacInfo;
  const std::optional<float> volts = ReadSingle(c_.cboDAC[row].Text, separator_);
  if (!volts || !(*volts >= dac.ChannelMinReal && *volts <= dac.ChannelMaxReal)) {
    Ui().ShowMessage("Please, set the number in range from " + DoubleText(dac.ChannelMinReal, separator_) +
                         " to " + DoubleText(dac.ChannelMaxReal, separator_) + " V!",
                     "");
    return false;
  }
  voltageTyped_[row] = false;
  const int16_t code = DacVoltsToCode(dac, *volts);
  (row == kAmplitude ? work_[curChannel_].Amp : work_[curChannel_].Base) = code;
  c_.slDAC[row].SetValue(code);
  UpdateChannelLine(curChannel_);
  return true;
}

bool ucDAC::ValidateRate(int row) {
  const float low = row == kFrequency ? kMinFrequency : kMinPhase;
  const float high = row == kFrequency ? kMaxFrequency : kMaxPhase;
  const std::optional<float> value = ReadSingle(c_.cboRate[row].Text, separator_);
  if (!value || !(*value >= low && *value <= high)) {
    Ui().ShowMessage("Please, set the number in range from " + SingleText(low, separator_) + " to " +
                         SingleText(high, separator_) + "!",
                     "");
    return false;
  }
  rateTyped_[row] = false;
  if (row == kFrequency) {
    workRate_ = *value;
  } else if (!work_.empty()) {
    work_[0].Phase = *value;
  }
  return true;
}

}  // namespace e14
