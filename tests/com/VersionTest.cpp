// The component's version record, as installers and Explorer read it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

std::wstring ComponentPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"E14_140.adc"), path, MAX_PATH);
  return path;
}

TEST(VersionRecord, SaysVersionOneAndNamesTheDriver) {
  const ComRef<_E14_140> driver = CreateDriver();  // loads the component
  ASSERT_TRUE(driver);
  const std::wstring path = ComponentPath();
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 0u) << "no version record in " << std::string(path.begin(), path.end());
  std::vector<BYTE> record(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, record.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);

  for (const wchar_t* field : {L"FileDescription", L"ProductName"}) {
    wchar_t* text = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + field;
    ASSERT_TRUE(VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&text),
                               &length));
    EXPECT_EQ(std::wstring(text), L"E14-140 driver");
  }
}

}  // namespace
}  // namespace e14::com::test
