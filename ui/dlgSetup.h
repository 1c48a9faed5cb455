// The driver's settings dialog: a tab strip with one page per part of the
// module (General always; ADC, DAC and DIO when present) and OK, Cancel and
// Help. Pages are created the first time their tab is selected; OK asks
// every created page to commit, Cancel and the close box commit nothing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/SetupPage.h"

namespace e14 {

struct ComponentVersion {
  int Major = 0;
  int Minor = 0;
  int Revision = 0;
};

// The version this component was built as.
ComponentVersion ThisComponentVersion();

class dlgSetup {
 public:
  enum Command : int { kOk = 0, kCancel = 1, kHelp = 2 };

  struct Tab {
    std::string Key;
    std::string Caption;
  };
  struct ControlSet {
    std::string Caption = "Setup";  // the window's
    std::vector<Tab> tabSetup{{"General", "General"}};
    int SelectedTab = 0;  // 0-based position in tabSetup
    std::array<Button, 3> cmdDialog{{{"OK"}, {"Cancel"}, {"Help", false}}};
  };

  // Finds a page by its creation name ("Kestrel.uc" + tab key); null or an
  // exception when it cannot be created.
  using PageFactory = std::function<std::unique_ptr<SetupPage>(const std::string& name)>;

  // Loads the dialog: caption, help state and the tabs of the open module.
  explicit dlgSetup(PageFactory factory = CreateSetupPage,
                    ComponentVersion version = ThisComponentVersion());
  dlgSetup(const dlgSetup&) = delete;
  dlgSetup& operator=(const dlgSetup&) = delete;

  const ControlSet& Controls() const { return c_; }
  // Help topic of the dialog (0 until a help file is known).
  int32_t HelpContext() const { return helpContext_; }
  // The page of a tab position (0-based), or null while it has none.
  SetupPage* Page(int slot) const;
  // Control name of a tab's page: "tab" + its key.
  std::string PageControlName(int slot) const;
  // True once the dialog has closed; the view then ends its modal loop.
  bool Unloaded() const { return unloaded_; }

  // Help topic from a device name: the decimal digits after its first
  // character ("E-140" gives 140); 0 for one character or none, or digits
  // that overflow a Long.
  static int32_t HelpContextFromName(const std::string& name);

  // Events from the view; ignored once the dialog has closed.
  // When the dialog is first shown (and whenever it becomes the active one
  // of the component's windows again, not after a message box): selects
  // the tab selected when the dialog last closed and shows its page.
  void Activate();
  // The user selected the tab at a 0-based position.
  void tabSetup_Click(int tab);
  // OK, Cancel, Help.
  void cmdDialog_Click(int command);
  // F1: the help file at the dialog's topic, when a help file is known.
  void ShowHelp();
  // Closing by any way (also the close box): remembers the selected tab and
  // destroys the pages.
  void Unload();

  // Runs the modal view of a dialog; returns when the dialog has closed.
  using View = std::function<void(dlgSetup&)>;
  static void InstallView(View view);

 private:
  int TabCount() const { return static_cast<int>(c_.tabSetup.size()); }
  bool HelpFileUsable() const;
  void SelectTab(int tab);
  void CreatePage(int index);
  void SavePage(int index);

  PageFactory factory_;
  ControlSet c_;
  int32_t helpContext_ = 0;
  std::vector<std::unique_ptr<SetupPage>> pages_;
  bool unloaded_ = false;
};

// The settings dialog as the driver object opens it: creates a dialog, runs
// the installed view and releases it. A failure that escapes is shown in a
// message box ("Error: " number, CR LF, description). Without a view
// nothing is shown.
void ShowSetupDialog();

}  // namespace e14
