// The whole client run sees an empty HKEY_CURRENT_USER of its own (a private
// key below the prefix's), so that settings other tests saved in the Wine
// prefix cannot change what the driver objects start from.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class UserKeySandbox : public ::testing::Environment {
 public:
  void SetUp() override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, place_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, place_.c_str()), ERROR_SUCCESS);
  }

 private:
  std::wstring place_ = L"Software\\E14-140-com-test-" + std::to_wstring(GetCurrentProcessId());
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new UserKeySandbox);

}  // namespace
