// The device choice under Wine: with two modules connected, opening asks
// which one; the module picked in the list is the one opened, and Cancel
// opens none.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "server/Kestrel.h"
#include "sim/SimControl.h"
#include "tests/ui/win32/DialogDriver.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/WideText.h"

namespace e14::test {

namespace {

struct Choice {
  std::vector<bool> opened;  // by the driver, slot 1, slot 4
  std::string secondLine;
};

// Opens a module on a fresh thread (a fresh driver state) while `answer`
// works the choice dialog.
template <typename Answer>
Choice OpenWithChoice(Answer answer) {
  Choice choice;
  std::thread host([&] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    HMODULE component = LoadLibraryW(BesideExe(L"E14_140.adc").c_str());
    ASSERT_NE(component, nullptr);
    _E14_140* driver = CreateDriver(component);
    ASSERT_NE(driver, nullptr);
    ADCInterface3* adc = nullptr;
    ASSERT_EQ(driver->GetADC3(&adc), S_OK);
    const DWORD self = GetCurrentThreadId();
    std::thread user([&] {
      HWND dialog = WaitForDialog(self, L"Select Device");
      if (dialog == nullptr) return;
      wchar_t line[128] = {};
      SendMessageW(Control(dialog, IDC_LSTDEVENUM), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
      choice.secondLine = win32ui::Narrow(line);
      answer(dialog);
    });
    VARIANT_BOOL opened = VARIANT_FALSE;
    EXPECT_EQ(adc->Test(&opened), S_OK);
    user.join();
    choice.opened = {opened == VARIANT_TRUE, SimModuleOpen(1) != 0, SimModuleOpen(4) != 0};
    adc->Release();
    driver->Release();
    FreeLibrary(component);
    CoUninitialize();
  });
  host.join();
  return choice;
}

class DeviceChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    // Settings go to a private key, not to the prefix's user.
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\E14ChoiceTest", &sandbox_), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, sandbox_), ERROR_SUCCESS);
    ASSERT_EQ(SimConfigure(R"({"modules":[{"slot":1,"serial":"1001"},{"slot":4,"serial":"1004"}]})"), 1)
        << SimConfigError();
  }
  void TearDown() override {
    SimConfigure(nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\E14ChoiceTest");
    RegCloseKey(sandbox_);
  }
  HKEY sandbox_ = nullptr;
};

TEST_F(DeviceChoice, TheModulePickedIsTheOneOpened) {
  const Choice choice = OpenWithChoice([](HWND dialog) {
    ChooseItem(dialog, IDC_LSTDEVENUM, 1);
    SaveScreenshot(dialog, ShotPath(L"device-choice.bmp"));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(choice.secondLine, "E-140\t1004");
  EXPECT_EQ(choice.opened, (std::vector<bool>{true, false, true}));
}

TEST_F(DeviceChoice, CancelOpensNoModule) {
  const Choice choice = OpenWithChoice([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_EQ(choice.opened, (std::vector<bool>{false, false, false}));
}

}  // namespace

}  // namespace e14::test
