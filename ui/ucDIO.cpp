#include "ui/ucDIO.h"

#include <algorithm>
#include <charconv>
#include <cctype>

#include "driver/mE14_x40.h"

namespace e14 {

namespace {

// Upper-case hexadecimal of the word's 32 bits, at least `digits` long.
std::string Hex(int32_t value, size_t digits) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<uint32_t>(value), 16);
  std::string text(buffer, result.ptr);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (text.size() < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

std::string WordText(int32_t value) { return "0x" + Hex(value, 4) + " (" + std::to_string(value) + ")"; }

bool ValidBox(int box) { return box >= 0 && box < ucDIO::kBoxes; }

bool ValidWord(int word) { return word == ucDIO::kStartWord || word == ucDIO::kStopWord; }

}  // namespace

ucDIO::ucDIO() {
  for (int j = 0; j < kBoxes; ++j) {
    const std::string bit = std::to_string(kBoxes - j);
    c_.chkIn[j].Enabled = false;
    c_.lblInBin[j].Caption = bit;
    c_.lblOutBin[j].Caption = bit;
  }
  work_ = State().DioState;
  for (int j = 0; j < kBoxes - InBits(); ++j) {
    c_.chkIn[j].Visible = false;
    c_.lblInBin[j].Enabled = false;
  }
  for (int j = 0; j < kBoxes - OutBits(); ++j) {
    c_.chkOut[j].Visible = false;
    c_.lblOutBin[j].Enabled = false;
  }
  c_.chkStart[kStartWord].Value = work_.DOStartEnabled;
  c_.chkStart[kStopWord].Value = work_.DOStopEnabled;
  StartBoxChanged(kStartWord);
  StartBoxChanged(kStopWord);
  UpdateStartStopCaption(kStartWord);
  UpdateStartStopCaption(kStopWord);
}

void ucDIO::chkOut_Click(int box, bool ticked) {
  if (!ValidBox(box) || !c_.chkOut[box].Visible || !c_.chkOut[box].Enabled) return;
  c_.chkOut[box].Value = ticked;
  OutputBoxesClicked();
}

void ucDIO::chkOutput_Click(bool on) {
  c_.chkOutput.Value = on;
  if (on) {
    ApplyOutput();
    LoadOutputBoxes();
  }
  // Reverting the boxes means nothing while they are the module's word.
  c_.cmdOutput[kReset].Enabled = !on;
}

void ucDIO::chkInput_Click(bool on) {
  c_.chkInput.Value = on;
  if (on) RefreshInput();
  c_.tmrDI.Enabled = on;
}

void ucDIO::tmrDI_Timer() {
  if (c_.tmrDI.Enabled) RefreshInput();
}

void ucDIO::cmdOutput_Click(int command) {
  if (command < kClear || command > kReset || !c_.cmdOutput[command].Enabled) return;
  if (command == kReset) {
    LoadOutputBoxes();
  } else {
    for (int b = 0; b < OutBits(); ++b) {
      CheckBox& box = c_.chkOut[kBoxes - 1 - b];
      if (command == kClear) {
        box.Value = false;
      } else if (command == kSetAll) {
        box.Value = true;
      } else if (command == kInvert) {
        box.Value = !box.Value;
      } else {
        box.Value = c_.chkIn[kBoxes - 1 - b].Value;
      }
    }
  }
  OutputBoxesClicked();
}

void ucDIO::chkStart_Click(int word, bool ticked) {
  if (!ValidWord(word)) return;
  c_.chkStart[word].Value = ticked;
  StartBoxChanged(word);
}

void ucDIO::cmdStart_Click(int word) {
  if (!ValidWord(word) || !c_.cmdStart[word].Enabled) return;
  (word == kStartWord ? work_.DOStartValue : work_.DOStopValue) = WordOnBoxes();
  UpdateStartStopCaption(word);
}

void ucDIO::cmdShow_Click(int word) {
  if (!ValidWord(word) || !c_.cmdShow[word].Enabled) return;
  SetOutputBoxes(word == kStartWord ? work_.DOStartValue : work_.DOStopValue);
  OutputBoxesClicked();
}

void ucDIO::Page_SaveSetting() {
  DioStateRecord& dio = State().DioState;
  work_.DIValue = dio.DIValue;
  work_.DOValue = dio.DOValue;
  dio = work_;
}

void ucDIO::OnShow() {
  RefreshInput();
  LoadOutputBoxes();
  if (c_.chkInput.Value) c_.tmrDI.Enabled = true;
}

void ucDIO::OnHide() { c_.tmrDI.Enabled = false; }

int ucDIO::InBits() const { return std::min<int>(work_.DIBits, kBoxes); }

int ucDIO::OutBits() const { return std::min<int>(work_.DOBits, kBoxes); }

int32_t ucDIO::WordOnBoxes() const {
  int32_t word = 0;
  for (int b = 0; b < OutBits(); ++b)
    if (c_.chkOut[kBoxes - 1 - b].Value) word |= int32_t{1} << b;
  return word;
}

void ucDIO::SetOutputBoxes(int32_t word) {
  for (int b = 0; b < OutBits(); ++b) c_.chkOut[kBoxes - 1 - b].Value = (word >> b & 1) != 0;
}

void ucDIO::OutputBoxesClicked() {
  if (c_.chkOutput.Value) {
    ApplyOutput();
    LoadOutputBoxes();
  } else {
    UpdateOutputValue();
  }
}

void ucDIO::StartBoxChanged(int word) {
  const bool ticked = c_.chkStart[word].Value;
  c_.cmdShow[word].Enabled = ticked;
  c_.cmdStart[word].Enabled = ticked;
  (word == kStartWord ? work_.DOStartEnabled : work_.DOStopEnabled) = ticked;
}

void ucDIO::RefreshInput() {
  const int32_t value = ReadDigitalInputs();
  work_.DIValue = value;
  for (int b = 0; b < InBits(); ++b) c_.chkIn[kBoxes - 1 - b].Value = (value >> b & 1) != 0;
  c_.frDI.Caption = "Input: " + WordText(value);
}

void ucDIO::LoadOutputBoxes() {
  work_.DOValue = LastDigitalOutputs();
  SetOutputBoxes(work_.DOValue);
  UpdateOutputValue();
}

void ucDIO::UpdateOutputValue() {
  work_.DOValue = WordOnBoxes();
  c_.frDO.Caption = "Output: " + WordText(work_.DOValue);
}

void ucDIO::ApplyOutput() {
  UpdateOutputValue();
  WriteDigitalOutputs(work_.DOValue);
  // Outputs wired back to inputs show at once.
  RefreshInput();
}

void ucDIO::UpdateStartStopCaption(int word) {
  const int32_t value = word == kStartWord ? work_.DOStartValue : work_.DOStopValue;
  const std::string padded = "000000" + Hex(value, 1);
  const size_t digits = static_cast<size_t>(work_.DOBits / 4);
  // Fewer than 4 output bits leave no digit to show: the caption stays.
  if (digits == 0) return;
  const std::string shown = padded.substr(padded.size() - std::min(digits, padded.size()));
  uint64_t number = 0;
  std::from_chars(shown.data(), shown.data() + shown.size(), number, 16);
  c_.chkStart[word].Caption =
      std::string(word == kStartWord ? "On Start: 0x" : "On Stop: 0x") + shown + " (" + std::to_string(number) + ")";
}

}  // namespace e14
