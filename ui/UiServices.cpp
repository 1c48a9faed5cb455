#include "ui/UiServices.h"

#include <iostream>

#include "platform/Platform.h"

namespace e14 {

namespace {

// Without a desktop there is nobody to click a message away, so it is only
// reported; help and web pages have nowhere to open.
class HeadlessServices : public UiServices {
 public:
  void ShowMessage(const std::string& text, const std::string& title) override {
    std::cerr << (title.empty() ? std::string() : title + ": ") << text << "\n";
  }
  void OpenHelp(const std::string&, int32_t) override {}
  void OpenUrl(const std::string&) override {}
  std::string DecimalSeparator() override { return platform::DecimalSeparator(); }
};

std::shared_ptr<UiServices>& Installed() {
  static std::shared_ptr<UiServices> services = std::make_shared<HeadlessServices>();
  return services;
}

}  // namespace

UiServices& Ui() { return *Installed(); }

void InstallUiServices(std::shared_ptr<UiServices> services) {
  Installed() = services ? std::move(services) : std::make_shared<HeadlessServices>();
}

}  // namespace e14
