// The device choice under Wine: with two modules connected, opening asks
// which one; the module picked in the list is the one opened, and Cancel
// opens none.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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
  std::thread thread([&] {
    Host host;
    ASSERT_NE(host.adc, nullptr);
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
    EXPECT_EQ(host.adc->Test(&opened), S_OK);
    user.join();
    choice.opened = {opened == VARIANT_TRUE, SimModuleOpen(1) != 0, SimModuleOpen(4) != 0};
  });
  thread.join();
  return choice;
}

TEST(DeviceChoice, TheModulePickedIsTheOneOpenedAndCancelOpensNone) {
  for (bool pick : {true, false}) {
    ASSERT_EQ(SimConfigure(R"({"modules":[{"slot":1,"serial":"1001"},{"slot":4,"serial":"1004"}]})"), 1)
        << SimConfigError();
    const Choice choice = OpenWithChoice([pick](HWND dialog) {
      if (pick) ChooseItem(dialog, IDC_LSTDEVENUM, 1), SaveScreenshot(dialog, ShotPath(L"device-choice.bmp"));
      PostMessageW(dialog, WM_COMMAND, pick ? IDOK : IDCANCEL, 0);
    });
    EXPECT_EQ(choice.secondLine, "E-140\t1004");
    EXPECT_EQ(choice.opened, (std::vector<bool>{pick, false, pick})) << "driver, slot 1, slot 4";
    SimConfigure(nullptr);
  }
}

}  // namespace

}  // namespace e14::test
