// What the settings models need from the desktop besides their controls:
// message boxes, the help viewer, the shell's "open", and the user's decimal
// separator. The Windows views install real services; tests install ones
// that record what was asked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace e14 {

class UiServices {
 public:
  virtual ~UiServices() = default;

  // A modal message box with only an OK button; an empty title stands for
  // the default one (the host program's title).
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
  // Opens the help file at a topic number.
  virtual void OpenHelp(const std::string& file, int32_t topic) = 0;
  // Asks the shell to "open" a web address; errors are not reported.
  virtual void OpenUrl(const std::string& url) = 0;
  // The decimal separator of the user's locale, for numbers shown and read.
  virtual std::string DecimalSeparator() = 0;
};

// The services in use. Until others are installed: messages go to the
// standard error stream, help and web addresses are not opened, and the
// separator is the platform's.
UiServices& Ui();
// Installs services for the whole process (null: back to the defaults).
// Install them before a dialog opens, not while one is open.
void InstallUiServices(std::shared_ptr<UiServices> services);

}  // namespace e14
