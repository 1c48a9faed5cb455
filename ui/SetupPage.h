// The contract between the setup dialog and its pages. A page initialises
// itself from the driver state when it is constructed, commits its edits
// only in Page_SaveSetting, and is destroyed with the dialog.
#pragma once

#include <memory>
#include <string>

namespace e14 {

class SetupPage {
 public:
  virtual ~SetupPage() = default;
  SetupPage() = default;
  SetupPage(const SetupPage&) = delete;
  SetupPage& operator=(const SetupPage&) = delete;

  // Commits the page's edits into the driver state.
  virtual void Page_SaveSetting() = 0;

  bool Visible() const { return visible_; }
  // Shows or hides the page; a change of state runs OnShow or OnHide.
  void SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (visible) {
      OnShow();
    } else {
      OnHide();
    }
  }

 protected:
  virtual void OnShow() {}
  virtual void OnHide() {}

 private:
  bool visible_ = false;  // a new page stays hidden until its tab shows it
};

// Creates the page registered under a creation name ("Kestrel.ucGeneral",
// "Kestrel.ucADC", "Kestrel.ucDAC", "Kestrel.ucDIO"); null for any other
// name. A page's initialisation may throw.
std::unique_ptr<SetupPage> CreateSetupPage(const std::string& name);

}  // namespace e14
