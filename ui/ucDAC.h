// The "DAC" page of the setup dialog: per channel the waveform type,
// amplitude and baseline; for the generator the common frequency and the
// phase offset; Start and Stop of the output. Edits go to a working copy,
// committed on OK and by Start.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/DriverState.h"
#include "ui/Controls.h"
#include "ui/SetupPage.h"

namespace e14 {

class ucDAC : public SetupPage {
 public:
  // Rows of cboDAC/slDAC/lblDAC and of cboRate/lblRate, and the buttons.
  enum VoltageRow : int { kAmplitude = 0, kBaseline = 1 };
  enum RateRow : int { kFrequency = 0, kPhase = 1 };
  enum Command : int { kStart = 0, kStop = 1 };

  struct ControlSet {
    ListBox lstChannels{{"AO1", "AO2"}, -1, {}};  // one summary line per channel
    Label lblDACType{"AO1 &Type:"};
    ComboBox cboDACType;  // "Off", "DC", and with a generator "Noise".."Triangle"
    Picture imgType;      // bitmap resource BitmapOfType(type)
    std::array<Label, 2> lblDAC{{{"&Amplitude (V):", false}, {"&Baseline  (V):", false}}};
    std::array<ComboBox, 2> cboDAC;  // volts
    std::array<Slider, 2> slDAC;     // codes
    std::array<Label, 2> lblRate{{{"&Frequency (Hz):", false}, {"&Phases Offset:", false}}};
    std::array<ComboBox, 2> cboRate;  // Hz; periods 0..1
    std::array<Button, 2> cmdDACSet{{{"Start"}, {"Stop"}}};
    // The view also draws an etched separator across the page, 8 units above
    // lblRate(0): a kColourButtonShadow line with a kColour3DHighlight line
    // one unit below it.
  };

  // Fills the lists from DacInfo and loads the working copy, on the channel
  // edited when the page last closed.
  ucDAC();
  // Remembers the edited channel for the next page.
  ~ucDAC() override;

  const ControlSet& Controls() const { return c_; }
  int CurChannel() const { return curChannel_; }
  const std::vector<DacChannel>& WorkChannels() const { return work_; }
  float WorkRate() const { return workRate_; }

  // The picture of a waveform type: one bitmap resource per type.
  static int BitmapOfType(int type) { return 100 + type; }

  // Events from the view. A row, index or position outside the control's
  // range, and events of a disabled control, are ignored.
  void lstChannels_Click(int listIndex);
  void cboDACType_Click(int listIndex);
  // Dragging the thumb shows the volts only; the change stores the code.
  void slDAC_Scroll(int row, int32_t position);
  void slDAC_Change(int row, int32_t position);
  // Typing into a field; its value is checked when the field is left.
  void cboDAC_Change(int row, const std::string& text);
  void cboRate_Change(int row, const std::string& text);
  // Choosing an item of the field's list checks and applies it at once.
  void cboDAC_Click(int row, int listIndex);
  void cboRate_Click(int row, int listIndex);
  // Leaving a field: checks and applies what was typed. False after a
  // message about a bad value (the old value stays); the view then keeps
  // the focus in the field.
  bool cboDAC_Validate(int row);
  bool cboRate_Validate(int row);
  // Start: commit, build the waveform, start the output. Stop: stop it.
  void cmdDACSet_Click(int command);

  // Commits the working copy into DacInfo.
  void Page_SaveSetting() override;

 private:
  int ChannelCount() const;
  void LoadPage();
  void ChannelSelected();
  void TypeChosen();
  void UpdateEnables();
  void UpdateChannelLine(int channel);
  std::string CodeToVolts(int32_t code) const;
  void ShowVolts(int row, int32_t code);
  bool ValidateVoltage(int row);
  bool ValidateRate(int row);

  ControlSet c_;
  int curChannel_ = 0;
  std::vector<DacChannel> work_;
  float workRate_ = 0.0f;
  bool loaded_ = false;
  std::array<bool, 2> voltageTyped_{};
  std::array<bool, 2> rateTyped_{};
  std::string separator_;
};

}  // namespace e14
