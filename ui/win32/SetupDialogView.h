// The modal view of the settings dialog: a dialog from the component's
// template with the common-controls tab strip, OK, Cancel and Help, and the
// page windows of the pages the model has created.
#pragma once

#include "ui/dlgSetup.h"

namespace e14::win32ui {

// Shows the dialog modally, owned by the calling thread's active window;
// returns once the model has unloaded.
void RunSetupDialog(dlgSetup& model);

}  // namespace e14::win32ui
