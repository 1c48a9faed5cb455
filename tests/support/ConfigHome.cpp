// Points the file-backed registry at a fresh folder for the whole test run,
// so tests never read or write the user's own settings.
#include "tests/support/ConfigHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class ConfigHome : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "e14-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

 private:
  std::string folder_;
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new ConfigHome);

}  // namespace

namespace e14::testing {

void ForgetDriverSettings() {
  std::filesystem::remove_all(std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "e14-140");
}

}  // namespace e14::testing
