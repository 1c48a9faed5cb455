// The desktop services of the settings models on Windows: MessageBoxW, the
// HTML help viewer, the shell's "open" and the user's locale.
#pragma once

#include "ui/UiServices.h"

namespace e14::win32ui {

class Win32UiServices : public UiServices {
 public:
  void ShowMessage(const std::string& text, const std::string& title) override;
  void OpenHelp(const std::string& file, int32_t topic) override;
  void OpenUrl(const std::string& url) override;
  std::string DecimalSeparator() override;
};

}  // namespace e14::win32ui
