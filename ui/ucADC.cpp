#include "ui/ucADC.h"

#include <algorithm>

#include "driver/mE14_x40.h"

namespace e14 {

namespace {

constexpr int kGroupSize = 16;  // inputs per group: XY, X or Y 1..16

// Source list prefix of each kind; the calibration source has no list.
constexpr const char* kSourcePrefix[] = {"XY", "", "X", "Y"};

}  // namespace

ucADC::ucADC() { Initialize(); }

ucADC::Kind ucADC::KindOf(const ChannelInput& entry) {
  const bool high = entry.Input % 32 >= kGroupSize;
  if (entry.SingleEnded) return high ? kSingleY : kSingleX;
  return high ? kCalibration : kDifferential;
}

void ucADC::lstADCh_Click(int listIndex) {
  if (!c_.lstADCh.Select(listIndex)) return;
  ChannelSelected();
}

void ucADC::optACh_Click(int kind) {
  if (kind < 0 || kind >= static_cast<int>(c_.optACh.size()) || !c_.optACh[kind].Enabled) return;
  for (size_t k = 0; k < c_.optACh.size(); ++k) c_.optACh[k].Value = static_cast<int>(k) == kind;
  KindChosen(kind);
}

void ucADC::cboADChSrc_Click(int listIndex) {
  if (!c_.cboADChSrc.Enabled || listIndex < 0 || !c_.cboADChSrc.Select(listIndex)) return;
  const int n = c_.lstADCh.ListIndex;
  if (n < 0 || n >= ChannelCount()) return;
  const int offset = c_.cboADChSrc.Tag == "Y" ? kGroupSize : 0;
  work_[n].Input = static_cast<uint8_t>(listIndex % kGroupSize + offset);
  UpdateInputLine(n);
}

void ucADC::cmdChSet_Click(int preset) {
  if (preset < kAllDifferential || preset > kReset) return;
  int keep = c_.lstADCh.ListIndex;
  c_.lstADCh.Select(-1);
  if (preset == kReset) {
    Initialize();
  } else {
    for (int n = 0; n < ChannelCount(); ++n) {
      work_[n] = ChannelInput{static_cast<uint8_t>(n), preset == kAllSingle};
      UpdateInputLine(n);
    }
  }
  if (keep < 0 || keep > ChannelCount() - 1) keep = 0;
  if (c_.lstADCh.Select(keep)) ChannelSelected();
}

void ucADC::Page_SaveSetting() {
  State().DeviceInfo.ChannelMap = work_;
  RebuildChannelCodes();
}

int ucADC::ChannelCount() const {
  return std::clamp<int>(State().AdcInfo.ChannelsCount, 0, kLogicalChannels);
}

void ucADC::Initialize() {
  c_.lstADCh.Items.clear();
  c_.lstADCh.ListIndex = -1;
  work_ = State().DeviceInfo.ChannelMap;
  for (int n = 0; n < ChannelCount(); ++n) {
    c_.lstADCh.Items.emplace_back();
    UpdateInputLine(n);
  }
  if (c_.lstADCh.Select(0)) ChannelSelected();
}

void ucADC::ChannelSelected() {
  const int n = c_.lstADCh.ListIndex;
  if (n < 0 || n >= ChannelCount()) return;
  c_.frChInput.Caption = "&AI" + std::to_string(n + 1) + ":";
  const Kind kind = KindOf(work_[n]);
  for (size_t k = 0; k < c_.optACh.size(); ++k) c_.optACh[k].Value = static_cast<int>(k) == kind;
  KindChosen(kind);
}

void ucADC::KindChosen(int kind) {
  const int n = c_.lstADCh.ListIndex;
  if (n < 0 || n >= ChannelCount()) return;
  ChannelInput& entry = work_[n];
  const int position = entry.Input % kGroupSize;
  const bool high = kind == kCalibration || kind == kSingleY;
  entry.Input = static_cast<uint8_t>(position + (high ? kGroupSize : 0));
  entry.SingleEnded = kind == kSingleX || kind == kSingleY;

  ComboBox& source = c_.cboADChSrc;
  if (kind == kCalibration) {
    source.Tag.clear();
    source.Clear();
    source.Enabled = false;
    source.BackColor = kColourButtonFace;
  } else {
    const std::string prefix = kSourcePrefix[kind];
    if (source.Tag != prefix) {
      source.Items.clear();
      for (int i = 0; i < kGroupSize; ++i) source.Items.push_back(prefix + std::to_string(i + 1));
      source.Tag = prefix;
    }
    source.Select(position);
    source.Enabled = true;
    source.BackColor = kColourWindow;
  }
  UpdateInputLine(n);
}

void ucADC::UpdateInputLine(int channel) {
  const ChannelInput& entry = work_[channel];
  const std::string position = std::to_string(entry.Input % kGroupSize + 1);
  std::string input;
  switch (KindOf(entry)) {
    case kDifferential:
      input = "XY" + position;
      break;
    case kCalibration:
      input = "Calibration 0";
      break;
    case kSingleX:
      input = "X" + position;
      break;
    case kSingleY:
      input = "Y" + position;
      break;
  }
  lineText_ = "AI" + std::to_string(channel + 1) + "\t" + input;
  if (channel < static_cast<int>(c_.lstADCh.Items.size())) c_.lstADCh.Items[channel] = lineText_;
}

}  // namespace e14
