// The "ADC" page of the setup dialog: the channel map editor. For each
// logical channel it chooses the physical input and its mode (differential
// pair XY, zero calibration, single-ended X or single-ended Y). Edits go to
// a working copy of the map, committed on OK.
#pragma once

#include <array>
#include <string>

#include "driver/DriverState.h"
#include "ui/Controls.h"
#include "ui/SetupPage.h"

namespace e14 {

class ucADC : public SetupPage {
 public:
  // Input kinds, also the index of their option button.
  enum Kind : int { kDifferential = 0, kCalibration = 1, kSingleX = 2, kSingleY = 3 };
  // Preset buttons, by index.
  enum Preset : int { kAllDifferential = 0, kAllSingle = 1, kReset = 2 };

  struct ControlSet {
    Label lblChTitle{"Channels:"};
    ListBox lstADCh;  // "AI<n>\t<input>" per logical channel
    Frame frChInput{"&Input"};
    std::array<OptionButton, 4> optACh{{{"&Differential XY"},
                                        {"Calibration &0"},
                                        {"Single &X (Not Inverted)"},
                                        {"Single &Y (Inverted)"}}};
    Label Label1{"AD Input:"};
    ComboBox cboADChSrc;  // Tag: "XY", "X", "Y" or "" for the list it holds
    std::array<Button, 3> cmdChSet{
        {{"16 &Differential (XY)"}, {"32 &Single (16X + 16Y)"}, {"&Reset"}}};
  };

  // Loads the working copy from DeviceInfo.ChannelMap and selects channel 1.
  ucADC();

  const ControlSet& Controls() const { return c_; }
  const std::array<ChannelInput, kLogicalChannels>& WorkChannelMap() const { return work_; }
  // The list line last built.
  const std::string& LineText() const { return lineText_; }

  // The kind of a map entry (from SingleEnded and whether Input modulo 32
  // is below 16).
  static Kind KindOf(const ChannelInput& entry);

  // Events from the view. Indices outside the control's range, and events
  // of a disabled control, are ignored.
  void lstADCh_Click(int listIndex);
  void optACh_Click(int kind);
  void cboADChSrc_Click(int listIndex);
  void cmdChSet_Click(int preset);

  // Commits the working copy and rebuilds the channel names and codes.
  void Page_SaveSetting() override;

 private:
  int ChannelCount() const;
  void Initialize();
  void ChannelSelected();
  void KindChosen(int kind);
  void UpdateInputLine(int channel);

  ControlSet c_;
  std::array<ChannelInput, kLogicalChannels> work_{};
  std::string lineText_;
};

}  // namespace e14
