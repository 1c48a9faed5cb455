// The core leaves the Windows view of the device choice to the component,
// whose dialog needs a desktop. The tests run unattended, so here nobody
// answers and the choice is cancelled, as the terminal view does when no
// terminal is attached.
#include "ui/dlgDevEnum.h"

namespace e14 {

void ShowDeviceChoice(dlgDevEnum& dialog) { dialog.CancelClicked(); }

}  // namespace e14
