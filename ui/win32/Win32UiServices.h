// The desktop services of the settings models on Windows: MessageBoxW, the
// HTML help viewer, the shell's "open" and the user's locale.
#pragma once

#include <windows.h>

#include "ui/UiServices.h"

namespace e14::win32ui {

// The page window whose control notification is being handled, while it
// is: what a page opens from there (the maker's web site) belongs to it.
class CommandOwner {
 public:
  explicit CommandOwner(HWND window);
  ~CommandOwner();
  CommandOwner(const CommandOwner&) = delete;
  CommandOwner& operator=(const CommandOwner&) = delete;
  // Null outside a notification.
  static HWND Current();

 private:
  HWND previous_;
};

// The shell's "open" of a file or web address: owner, target, show command.
using ShellOpen = void (*)(HWND owner, const wchar_t* target, int show);
void OpenWithShell(HWND owner, const wchar_t* target, int show);

class Win32UiServices : public UiServices {
 public:
  explicit Win32UiServices(ShellOpen shellOpen = &OpenWithShell) : shellOpen_(shellOpen) {}

  void ShowMessage(const std::string& text, const std::string& title) override;
  void OpenHelp(const std::string& file, int32_t topic) override;
  void OpenUrl(const std::string& url) override;
  std::string DecimalSeparator() override;

 private:
  ShellOpen shellOpen_;
};

}  // namespace e14::win32ui
