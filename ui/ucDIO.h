// The "DIO" page of the setup dialog: a live panel of the 16 TTL inputs and
// outputs, and the editor of the output words written when a recording
// starts and stops. Live reads and writes reach the module at once; the
// start and stop words are committed on OK only.
//
// Box j of a row shows bit 15 - j (box 0, labelled "16", is the leftmost).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "driver/DriverState.h"
#include "ui/Controls.h"
#include "ui/SetupPage.h"

namespace e14 {

class ucDIO : public SetupPage {
 public:
  static constexpr int kBoxes = 16;
  static constexpr uint32_t kPollInterval = 1000;  // ms
  enum OutputCommand : int { kClear = 0, kSetAll = 1, kInvert = 2, kAsInput = 3, kReset = 4 };
  enum Word : int { kStartWord = 0, kStopWord = 1 };

  struct ControlSet {
    Frame frDI{"&Input"};
    std::array<CheckBox, kBoxes> chkIn;  // display only, disabled
    std::array<Label, kBoxes> lblInBin;  // "16".."1"
    CheckBox chkInput{"In"};             // input polling
    Timer tmrDI{false, kPollInterval};
    Frame frDO{"&Output"};
    std::array<CheckBox, kBoxes> chkOut;
    std::array<Label, kBoxes> lblOutBin;
    CheckBox chkOutput{"Out"};  // live output
    std::array<Button, 5> cmdOutput{{{"Clear"}, {"Set All"}, {"Invert"}, {"As Input"}, {"Reset"}}};
    std::array<CheckBox, 2> chkStart{{{"On Start:"}, {"On Stop:"}}};
    std::array<Button, 2> cmdStart{{{"Set", false}, {"Set", false}}};
    std::array<Button, 2> cmdShow{{{"Show", false}, {"Show", false}}};
  };

  // Lays out the rows for the module's bit counts and loads the start and
  // stop words from DioState. Nothing is read from the module until the
  // page is shown.
  ucDIO();

  const ControlSet& Controls() const { return c_; }
  // The page's copy of DioState: DIValue the last input word read, DOValue
  // the word on the output boxes, and the edited start and stop words.
  const DioStateRecord& WorkDio() const { return work_; }

  // Events from the view. A box or index outside the control array, and
  // events of a hidden or disabled control, are ignored.
  void chkOut_Click(int box, bool ticked);
  void chkOutput_Click(bool on);
  void chkInput_Click(bool on);
  void tmrDI_Timer();
  void cmdOutput_Click(int command);
  void chkStart_Click(int word, bool ticked);
  void cmdStart_Click(int word);
  void cmdShow_Click(int word);

  // Commits the start and stop words; the live words stay as the module has them.
  void Page_SaveSetting() override;

 protected:
  // Reads the inputs and the last output word; polling resumes if "In" is on.
  void OnShow() override;
  void OnHide() override;

 private:
  int InBits() const;
  int OutBits() const;
  int32_t WordOnBoxes() const;
  void SetOutputBoxes(int32_t word);
  void OutputBoxesClicked();
  void StartBoxChanged(int word);
  void RefreshInput();
  void LoadOutputBoxes();
  void UpdateOutputValue();
  void ApplyOutput();
  void UpdateStartStopCaption(int word);

  ControlSet c_;
  DioStateRecord work_;
};

}  // namespace e14
