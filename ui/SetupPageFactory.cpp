// The settings pages by creation name, as the setup dialog asks for them.
#include <map>
#include <memory>
#include <string>

#include "ui/SetupPage.h"
#include "ui/ucADC.h"
#include "ui/ucDAC.h"
#include "ui/ucDIO.h"
#include "ui/ucGeneral.h"

namespace e14 {

namespace {

template <typename PageType>
std::unique_ptr<SetupPage> Make() {
  return std::make_unique<PageType>();
}

}  // namespace

std::unique_ptr<SetupPage> CreateSetupPage(const std::string& name) {
  static const std::map<std::string, std::unique_ptr<SetupPage> (*)()> kPages = {
      {"Kestrel.ucGeneral", &Make<ucGeneral>},
      {"Kestrel.ucADC", &Make<ucADC>},
      {"Kestrel.ucDAC", &Make<ucDAC>},
      {"Kestrel.ucDIO", &Make<ucDIO>},
  };
  const auto page = kPages.find(name);
  return page != kPages.end() ? page->second() : nullptr;
}

}  // namespace e14
