// Device selection: when several modules answer, the user picks the one to
// open. The model holds the list and the choice; a view shows it (a dialog
// on Windows, the terminal elsewhere).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e14 {

struct DeviceChoiceItem {
  std::string Text;  // model, tab, serial
  int16_t Slot = 0;
};

class dlgDevEnum {
 public:
  static constexpr const char* kCaption = "Select Device";

  // Shows the list modally and returns the chosen slot, or -1 when the user
  // cancels or the entries cannot be told apart (then nothing is shown).
  int16_t SelectDevice();

  const std::vector<DeviceChoiceItem>& Items() const { return items_; }
  int ListIndex() const { return listIndex_; }
  int16_t Selected() const { return selected_; }

  // Events from the view.
  void SelectItem(int index);
  void OkClicked();
  void CancelClicked();

  // Runs the modal view for a model; returns when OK or Cancel closed it.
  using View = std::function<void(dlgDevEnum&)>;
  static void InstallView(View view);

 private:
  std::vector<DeviceChoiceItem> items_;
  int listIndex_ = -1;
  int16_t selected_ = -1;
};

// The view of this platform (terminal on POSIX), used until another is installed.
void ShowDeviceChoice(dlgDevEnum& dialog);

}  // namespace e14
