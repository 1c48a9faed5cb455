// The component's view of the device choice (shown when several modules
// answer). Its modal dialog is not written yet; until it is, nobody can
// answer, so the choice is cancelled and Test fails rather than open a
// module the user did not pick.
#include "ui/dlgDevEnum.h"

namespace e14 {

void ShowDeviceChoice(dlgDevEnum& dialog) { dialog.CancelClicked(); }

}  // namespace e14
