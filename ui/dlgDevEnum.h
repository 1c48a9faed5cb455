// Device selection: when several modules answer, the user picks the one to
// open. The model holds the list and the choice; a view shows it (a dialog
// on Windows, the terminal elsewhere).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/DeviceChooser.h"

namespace e14 {

struct DeviceChoiceItem {
  std::string Text;  // model, tab, serial
  int16_t Slot = 0;
};

class dlgDevEnum {
 public:
  static constexpr const char* kCaption = "Select Device";

  // Runs the modal view for a model; returns when OK or Cancel closed it.
  using View = std::function<void(dlgDevEnum&)>;
  explicit dlgDevEnum(View view);

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

 private:
  View view_;
  std::vector<DeviceChoiceItem> items_;
  int listIndex_ = -1;
  int16_t selected_ = -1;
};

// The device chooser that shows this model in `view`.
DeviceChooser DeviceChoiceDialog(dlgDevEnum::View view);

}  // namespace e14
