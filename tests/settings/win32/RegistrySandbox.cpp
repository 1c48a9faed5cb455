// A private key below the real HKEY_CURRENT_USER stands in for it while a
// test runs, so tests neither see nor touch the user's own keys.
#include <windows.h>

#include "tests/settings/RegistryFixture.h"

namespace e14 {

RegistrySandbox::RegistrySandbox() {
  static int count = 0;
  place_ = "Software\\E14-140-test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++count);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, place_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_CURRENT_USER, key) != ERROR_SUCCESS) {
    ADD_FAILURE() << "no private key for HKEY_CURRENT_USER";
  }
  RegCloseKey(key);
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (RegDeleteTreeA(HKEY_CURRENT_USER, place_.c_str()) != ERROR_SUCCESS) {
    ADD_FAILURE() << "private key " << place_ << " left behind";
  }
}

}  // namespace e14
