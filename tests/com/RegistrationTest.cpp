// DllRegisterServer and DllUnregisterServer against a private key standing in
// for HKEY_CLASSES_ROOT, where the host has registered its own interface.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

using ServerEntry = HRESULT(WINAPI*)();

constexpr wchar_t kClass[] = L"CLSID\\{DD71A5BC-0EE5-498E-AEA7-55DDF42D2373}";
constexpr wchar_t kLibrary[] = L"{0C376449-FA10-4DB7-A1D3-8C6640BDA7F0}";
constexpr wchar_t kHostLibrary[] = L"{97B526A7-3B46-11D7-B688-FDAEA8668E28}";
constexpr wchar_t kAdc[] = L"Interface\\{97B526A8-3B46-11D7-B688-FDAEA8668E28}";
constexpr wchar_t kDio[] = L"Interface\\{71ECC956-D500-11D9-B68D-BB19B6122F29}";

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    const ComRef<_E14_140> driver = CreateDriver();  // loads the component
    component_ = GetModuleHandleW(L"E14_140.adc");
    ASSERT_NE(component_, nullptr);
    place_ = L"Software\\E14-140-classes-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, place_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &root_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, root_), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(root_);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, place_.c_str()), ERROR_SUCCESS);
  }

  HRESULT Run(const char* entry) {
    auto function = reinterpret_cast<ServerEntry>(
        reinterpret_cast<void*>(GetProcAddress(component_, entry)));
    return function != nullptr ? function() : E_FAIL;
  }

  std::optional<std::wstring> Read(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t text[512] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(root_, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    return std::wstring(text);
  }

  void Write(const std::wstring& key, const wchar_t* name, const std::wstring& text) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
  }

  HMODULE component_ = nullptr;
  HKEY root_ = nullptr;

 private:
  std::wstring place_;
};

TEST_F(Registration, WritesTheClassAndLibraryAndRemovesExactlyThose) {
  Write(kAdc, nullptr, L"ADCInterface3");
  Write(std::wstring(kAdc) + L"\\TypeLib", nullptr, kHostLibrary);
  Write(std::wstring(kAdc) + L"\\TypeLib", L"Version", L"1.0");

  ASSERT_EQ(Run("DllRegisterServer"), S_OK);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(component_, path, MAX_PATH);
  EXPECT_EQ(Read(std::wstring(kClass) + L"\\InprocServer32"), path);
  EXPECT_EQ(Read(std::wstring(kClass) + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Read(std::wstring(kClass) + L"\\ProgID"), L"Kestrel.E14_140");
  EXPECT_EQ(Read(L"Kestrel.E14_140\\CLSID"), L"{DD71A5BC-0EE5-498E-AEA7-55DDF42D2373}");
  EXPECT_TRUE(Read(std::wstring(L"TypeLib\\") + kLibrary + L"\\1.0"));
  EXPECT_EQ(Read(std::wstring(kDio) + L"\\TypeLib"), kLibrary);
  EXPECT_EQ(Read(std::wstring(kAdc) + L"\\TypeLib"), kHostLibrary)
      << "the host's own interface key is not taken over";

  ASSERT_EQ(Run("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(Read(std::wstring(kClass) + L"\\InprocServer32"));
  EXPECT_FALSE(Read(L"Kestrel.E14_140\\CLSID"));
  EXPECT_FALSE(Read(std::wstring(L"TypeLib\\") + kLibrary + L"\\1.0"));
  EXPECT_FALSE(Read(std::wstring(kDio) + L"\\TypeLib"));
  EXPECT_EQ(Read(std::wstring(kAdc) + L"\\TypeLib"), kHostLibrary) << "nor removed";
  EXPECT_EQ(Read(std::wstring(kAdc) + L"\\TypeLib", L"Version"), L"1.0");
  EXPECT_EQ(Run("DllUnregisterServer"), S_OK) << "a second unregister succeeds";
}

TEST_F(Registration, LeavesAProgIdThatNamesAnotherClass) {
  ASSERT_EQ(Run("DllRegisterServer"), S_OK);
  Write(L"Kestrel.E14_140\\CLSID", nullptr, L"{00000000-0000-0000-0000-000000000001}");
  ASSERT_EQ(Run("DllUnregisterServer"), S_OK);
  EXPECT_EQ(Read(L"Kestrel.E14_140\\CLSID"), L"{00000000-0000-0000-0000-000000000001}");
  EXPECT_FALSE(Read(std::wstring(kClass) + L"\\InprocServer32"));
}

}  // namespace
}  // namespace e14::com::test
