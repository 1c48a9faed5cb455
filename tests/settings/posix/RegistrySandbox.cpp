// The file store follows XDG_CONFIG_HOME: each test points it at a fresh folder.
#include <cstdlib>
#include <filesystem>

#include "tests/settings/RegistryFixture.h"

namespace e14 {

RegistrySandbox::RegistrySandbox() {
  std::string pattern = (std::filesystem::temp_directory_path() / "e14-registry-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "no temporary folder";
  place_ = pattern;
  if (const char* previous = std::getenv("XDG_CONFIG_HOME")) previous_ = previous;
  setenv("XDG_CONFIG_HOME", place_.c_str(), 1);
}

RegistrySandbox::~RegistrySandbox() {
  if (previous_) {
    setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  std::error_code ignored;
  std::filesystem::remove_all(place_, ignored);
}

}  // namespace e14
