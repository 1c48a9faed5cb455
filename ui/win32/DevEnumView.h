// The device choice on Windows: a modal dialog listing the modules found,
// model and serial number in two columns.
#pragma once

#include "ui/dlgDevEnum.h"

namespace e14::win32ui {

// Owned by the calling thread's active window; a dialog that cannot be shown
// cancels the choice.
void ShowDeviceChoice(dlgDevEnum& dialog);

}  // namespace e14::win32ui
