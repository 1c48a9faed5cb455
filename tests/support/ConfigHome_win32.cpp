// On Windows the driver keeps its settings in the registry. The tests run in
// a throwaway Wine prefix, so they use its HKEY_CURRENT_USER, cleared of the
// driver's key before the run, whenever a test starts afresh, and after the
// run, so that later tests in the prefix find the driver's defaults.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/ConfigHome.h"

namespace e14::testing {

void ForgetDriverSettings() {
  const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tervo\\ADC\\L-Card\\E-140");
  EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "registry error " << status;
}

}  // namespace e14::testing

namespace {

class ConfigHome : public ::testing::Environment {
 public:
  void SetUp() override { e14::testing::ForgetDriverSettings(); }
  void TearDown() override { e14::testing::ForgetDriverSettings(); }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new ConfigHome);

}  // namespace
