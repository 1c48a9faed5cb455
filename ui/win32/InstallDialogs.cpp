#include "ui/win32/InstallDialogs.h"

#include <memory>

#include "driver/DeviceChooser.h"
#include "driver/E14_140.h"
#include "ui/dlgDevEnum.h"
#include "ui/dlgSetup.h"
#include "ui/win32/DevEnumView.h"
#include "ui/win32/SetupDialogView.h"
#include "ui/win32/Win32UiServices.h"

namespace e14::win32ui {

void InstallDialogs() {
  static const bool installed = [] {
    InstallUiServices(std::make_shared<Win32UiServices>());
    dlgSetup::InstallView(RunSetupDialog);
    E14_140::InstallSettingsDialog(ShowSetupDialog);
    InstallDeviceChooser(DeviceChoiceDialog(ShowDeviceChoice));
    return true;
  }();
  (void)installed;
}

}  // namespace e14::win32ui
