// Puts the Windows views in place: the desktop services of the models, the
// settings dialog that IADC3_ShowSetting opens and its modal view, and the
// device choice dialog.
#pragma once

namespace e14::win32ui {

// Once per process, before the first driver object; a second call does nothing.
void InstallDialogs();

}  // namespace e14::win32ui
