// The "General" page of the setup dialog: the module's description and the
// synchronisation of a recording start (free, TTL edge, TTL per frame, or an
// analog input crossing a threshold).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ui/Controls.h"
#include "ui/SetupPage.h"

namespace e14 {

class ucGeneral : public SetupPage {
 public:
  static constexpr const char* kMakerWebAddress = "https://www.kestrel.example/";

  struct ControlSet {
    TextBox txtInfo;
    Frame frSynch{"&Synchronization"};
    // "None", "TTL Start", "TTL Kadr", then "AI1".."AI32".
    ComboBox cboSynchro;
    // Above level, Below level, Transition Up, Transition Down.
    std::array<OptionButton, 4> optSType{{{"Above level"},
                                          {"Below level"},
                                          {"Transition Up"},
                                          {"Transition Down"}}};
    Label lblSLevel{"&Level (V):"};
    TextBox txtSLevel;  // shows the level; never read back
    Slider slSLevel;    // minus the threshold in ADC codes
    Button cmdCZero{"Set 0"};
    Label lblSRange{"&Range:"};
    ComboBox cboSRange;
  };

  // Fills the controls from the driver state; brings stored synchronisation
  // values that are out of range back into range in the state itself.
  ucGeneral();

  const ControlSet& Controls() const { return c_; }
  // The text last written to txtSLevel.
  const std::string& LevelText() const { return levelText_; }

  // Events from the view. An index or position outside the control's range,
  // or an event of a disabled control, is ignored.
  void cboSynchro_Click(int listIndex);
  void optSType_Click(int index);
  void slSLevel_Scroll(int32_t position);
  void slSLevel_Change(int32_t position);
  void cboSRange_Click(int listIndex);
  void cmdCZero_Click();
  void imgLogo_Click();

  // Commits the synchronisation settings into DeviceInfo.
  void Page_SaveSetting() override;

 private:
  void SynchroChanged();
  void RefreshLevelText();

  ControlSet c_;
  std::string levelText_;
};

}  // namespace e14
