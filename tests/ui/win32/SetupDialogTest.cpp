// The settings dialog through the COM object, as a host opens it: every tab
// is visited and edited with real control messages, then OK commits (or
// Cancel drops) the edits, which the host interfaces and the simulated
// module must show.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "sim/SimControl.h"
#include "tests/ui/win32/DialogDriver.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/WideText.h"
#include "vendor/VendorAbi.h"

namespace e14::test {

namespace {

class SetupDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host_ = new Host;
    ASSERT_TRUE(host_->adc != nullptr && host_->dio != nullptr);
    VARIANT_BOOL opened = VARIANT_FALSE;
    ASSERT_EQ(host_->adc->Test(&opened), S_OK);
    ASSERT_EQ(opened, VARIANT_TRUE) << "the simulated module opens";
  }
  static void TearDownTestSuite() { delete host_; }

  // Opens the dialog through ShowSetting; `work` runs on a second thread
  // with the dialog's window and must close it.
  template <typename Work>
  void WithDialog(Work work) {
    const DWORD self = GetCurrentThreadId();
    std::thread worker([&] {
      HWND dialog = WaitForDialog(self, L"E14-140 Setup");
      if (dialog == nullptr) return;
      work(dialog);
      if (IsWindow(dialog)) PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    VARIANT_BOOL result = VARIANT_TRUE;
    EXPECT_EQ(host_->adc->ShowSetting(&result), S_OK);
    worker.join();
  }

  // The stop word when its writing is on, else -1.
  static long StopWord() {
    VARIANT_BOOL enabled = VARIANT_FALSE;
    long word = 0;
    host_->dio->get_DOStopEnabled(&enabled);
    host_->dio->get_DOStopValue(&word);
    return enabled == VARIANT_TRUE ? word : -1;
  }
  static std::string ChannelName(short index) {
    BSTR name = nullptr;
    if (FAILED(host_->adc->get_ChannelName(&index, &name))) return "?";
    const std::string text = win32ui::Narrow(name ? name : L"");
    SysFreeString(name);
    return text;
  }

  inline static Host* host_ = nullptr;
};

constexpr int kAllSingle = IDC_CMDCHSET + 1;
constexpr int kSetAll = IDC_CMDOUTPUT + 1;
constexpr int kStopWordBox = IDC_CHKSTART + 1;
constexpr int kStopWordSet = IDC_CMDSTART + 1;

constexpr const char* kVoltRange = "Please, set the number in range from -5 to 5 V!";

// The values shown and the rules behind them are the models' tests' part:
// here, that real control messages and focus moves reach the models, that a
// refused value keeps the user in its field, and that OK commits.
TEST_F(SetupDialog, OkCommitsTheEditsOfEveryPage) {
  WithDialog([&](HWND dialog) {
    DWORD first = 0, last = 0;
    SendMessageW(Control(dialog, IDC_TXTINFO), EM_GETSEL, WPARAM(&first), LPARAM(&last));
    EXPECT_EQ(last, first) << "nothing of the description is selected on opening";
    ChooseItem(dialog, IDC_CBOSYNCHRO, 3);  // AI1: the analog controls come alive
    Slide(dialog, IDC_SLSLEVEL, -4000);
    SaveScreenshot(dialog, ShotPath(L"page-general.bmp"));

    SelectTab(dialog, 1);
    Click(dialog, kAllSingle);
    ChooseItem(dialog, IDC_LSTADCH, 20);
    ChooseItem(dialog, IDC_CBOADCHSRC, 6);  // Y7
    SaveScreenshot(dialog, ShotPath(L"page-adc.bmp"));

    SelectTab(dialog, 2);
    ChooseItem(dialog, IDC_CBODACTYPE, 3);  // Sine
    Type(dialog, IDC_CBODAC, "9", true);
    EXPECT_EQ(AnswerMessageBox(dialog), kVoltRange);
    Type(dialog, IDC_CBODAC, "2.5", true);
    Type(dialog, IDC_CBORATE, "10001", true);
    EXPECT_EQ(AnswerMessageBox(dialog), "Please, set the number in range from 0.02 to 10000!");
    Type(dialog, IDC_CBORATE, "50", true);
    // A refused value keeps the DAC page in front with the focus and the
    // selection in the field, whether a tab click or OK found it.
    const auto refused = [dialog](const char* how) {
      EXPECT_EQ(AnswerMessageBox(dialog), kVoltRange) << how;
      Sleep(100);
      bool selected = false;
      EXPECT_EQ(CurrentTab(dialog), 2) << how;
      EXPECT_EQ(FocusedControl(dialog, selected), IDC_CBODAC) << how;
      EXPECT_TRUE(selected && IsWindowVisible(GetParent(Control(dialog, IDC_CBODAC)))) << how;
    };
    Type(dialog, IDC_CBODAC, "abc");
    ClickTab(dialog, 3);
    refused("tab");
    SelectTab(dialog, 3);  // moved away without a check, as a program may
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    refused("OK");
    Type(dialog, IDC_CBODAC, "2.5", true);
    Sleep(100);  // the posted checks run
    wchar_t line[128] = {};
    SendMessageW(Control(dialog, IDC_LSTCHANNELS), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(win32ui::Narrow(line), "AO1: Sine\tA=2.5 V\tB=0 V");
    SaveScreenshot(dialog, ShotPath(L"page-dac.bmp"));
    Click(dialog, IDC_CMDDACSET);  // Start
    EXPECT_TRUE(SimDacStreaming(0));

    SelectTab(dialog, 3);
    for (int id : {kSetAll, kStopWordBox, kStopWordSet}) Click(dialog, id);
    SaveScreenshot(dialog, ShotPath(L"page-dio.bmp"));
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  });

  EXPECT_EQ(ChannelName(0), "X1") << "the single-ended map is in force";
  EXPECT_EQ(ChannelName(20), "Y7");
  EXPECT_EQ(StopWord(), 0xFFFF);

  // The next start programs the synchronisation chosen on the General page:
  // AI1 (single-ended X1 after the ADC page's edit), range 0, above 4000 codes (5 V).
  VARIANT_BOOL started = VARIANT_FALSE;
  ASSERT_EQ(host_->adc->StartRecord(&started), S_OK);
  AdcParams programmed{};
  ASSERT_EQ(SimLastAdcParams(0, &programmed), 1);
  host_->adc->StopRecord();
  EXPECT_EQ((std::vector<int>{programmed.SynchroInputMode, programmed.SynchroADChannel, programmed.SynchroADPorog}),
            (std::vector<int>{3, 32, 4000}));
}

TEST_F(SetupDialog, CancelCommitsNothingAndReopensOnTheLastTab) {
  WithDialog([&](HWND dialog) {
    EXPECT_EQ(CurrentTab(dialog), 3) << "the DIO tab was selected when the dialog last closed";
    Click(dialog, kStopWordBox);  // off again
    SelectTab(dialog, 1);
    Click(dialog, IDC_CMDCHSET);  // 16 Differential
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(ChannelName(0), "X1");
  EXPECT_EQ(StopWord(), 0xFFFF);
}

}  // namespace

}  // namespace e14::test
