// The settings dialog and the device choice under Wine and Xvfb, opened
// through the COM object as a host opens them. A second thread works them
// while the test's main thread sits in the dialog's modal loop: it finds
// windows, sends controls the messages a user's actions would raise,
// answers message boxes and saves screenshots.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "server/Kestrel.h"
#include "sim/SimControl.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/WideText.h"
#include "ui/win32/Win32UiServices.h"
#include "vendor/VendorAbi.h"

namespace e14::test {
namespace {

struct Search {
  std::wstring prefix;
  HWND owner, found;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  if (!IsWindowVisible(window) || std::wstring(caption).rfind(search->prefix, 0) != 0) return TRUE;
  if (search->owner != nullptr && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
  search->found = window;
  return FALSE;
}

// Polls for up to 10 s: the dialog's thread works on its own.
template <typename Done>
void WaitUntil(Done done) {
  for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

HWND FocusOf(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ? info.hwndFocus : nullptr;
}

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  return lstrcmpiW(className, name) == 0;
}

// A file beside the test program, where the build puts the component.
std::wstring BesideExe(const std::wstring& name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

// What a host holds, made on the calling thread (so with a driver state of
// its own): COM, the component loaded from beside the test, a new driver
// object and its ADC and DIO faces (null when that failed). Settings go to a
// private registry key meanwhile, not to the prefix's user.
class Host {
 public:
  Host() {
    CoInitialize(nullptr);
    RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\E14DialogTest", &sandbox_);
    RegOverridePredefKey(HKEY_CURRENT_USER, sandbox_);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    HMODULE component = LoadLibraryW(BesideExe(L"E14_140.adc").c_str());
    FARPROC entry = component ? GetProcAddress(component, "DllGetClassObject") : nullptr;
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(entry));
    IClassFactory* factory = nullptr;
    if (get == nullptr || FAILED(get(CLSID_E14_140, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return;
    if (SUCCEEDED(factory->CreateInstance(nullptr, IID__E14_140, reinterpret_cast<void**>(&driver)))) {
      driver->GetADC3(&adc);
      driver->GetDIO(&dio);
    }
    factory->Release();
  }
  ~Host() {
    for (IUnknown* face : std::initializer_list<IUnknown*>{dio, adc, driver})
      if (face != nullptr) face->Release();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\E14DialogTest");
    RegCloseKey(sandbox_);
    CoUninitialize();
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  _E14_140* driver = nullptr;
  ADCInterface3* adc = nullptr;
  DIOInterface* dio = nullptr;

 private:
  HKEY sandbox_ = nullptr;
};

// Where screenshots go: the folder in E14_SHOTS, else beside the test.
std::wstring ShotPath(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"E14_SHOTS", folder, MAX_PATH) > 0) return std::wstring(folder) + L"\\" + name;
  return BesideExe(name);
}

// The first visible dialog window of a thread whose caption starts with
// `prefix` and, when given, that is owned by `owner`; waits up to 10 s.
HWND WaitForDialog(DWORD thread, const std::wstring& prefix, HWND owner = nullptr) {
  Search search{prefix, owner, nullptr};
  WaitUntil([&] {
    EnumThreadWindows(thread, &Match, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

// A control of the dialog or of one of its pages (child dialogs).
HWND Control(HWND dialog, int controlId) {
  if (HWND direct = GetDlgItem(dialog, controlId)) return direct;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (HWND inner = GetDlgItem(child, controlId)) return inner;
  return nullptr;
}

void SelectTab(HWND dialog, int tab) {
  HWND tabs = GetDlgItem(dialog, 1001);
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  NMHDR header{tabs, 1001, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(dialog, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&header));
}

// Clicks a tab with the mouse, posted: the tab control asks the dialog before
// it changes, and a refusal may open a message box that the caller answers.
void ClickTab(HWND dialog, int tab) {
  HWND tabs = GetDlgItem(dialog, 1001);
  RECT item{};
  SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(tabs, WM_LBUTTONUP, 0, at);
}

int CurrentTab(HWND dialog) { return static_cast<int>(SendMessageW(GetDlgItem(dialog, 1001), TCM_GETCURSEL, 0, 0)); }

// The control of the dialog's thread that has the focus (a combo box for its
// edit), and whether all of its text is selected; 0 when none of the dialog's has.
int FocusedControl(HWND dialog, bool& allSelected) {
  HWND focus = FocusOf(dialog);
  if (focus == nullptr) return 0;
  DWORD first = 0, last = 0;
  SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  allSelected = first == 0 && last == static_cast<DWORD>(GetWindowTextLengthW(focus)) && last > 0;
  if (IsClass(focus, L"Edit") && GetParent(focus) != nullptr) focus = GetParent(focus);
  return GetDlgCtrlID(focus);
}

void Click(HWND dialog, int controlId) { SendMessageW(Control(dialog, controlId), BM_CLICK, 0, 0); }

// A combo or list box item.
void ChooseItem(HWND dialog, int controlId, int index) {
  HWND control = Control(dialog, controlId);
  const bool list = IsClass(control, L"ListBox");
  SendMessageW(control, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(controlId, list ? LBN_SELCHANGE : CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(control));
}

// Leaving a field moves the focus out of it, for real.
void Leave(HWND dialog, int controlId) {
  HWND control = Control(dialog, controlId);
  HWND page = GetParent(control);
  HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
  // The focus moves for real, on the dialog's thread: into the field, then
  // back to the previous control (the next may be Cancel, which skips the
  // check). Posted, because a refused value opens a message box, which this
  // thread answers.
  PostMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  PostMessageW(page, WM_NEXTDLGCTL, 1, FALSE);
  WaitUntil([&] {
    HWND now = FocusOf(dialog);
    return now != nullptr && now != control && !IsChild(control, now);
  });
  // The field's check is queued now; a marker posted behind it tells when
  // it has run, before anything this thread sends next overtakes it.
  if (edit == nullptr) return;
  SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
  PostMessageW(edit, EM_SETMODIFY, TRUE, 0);
  WaitUntil([edit] { return SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0; });
}

// Types text into an editable combo, and leaves it when `leave` is set.
void Type(HWND dialog, int controlId, const std::string& text, bool leave = false) {
  HWND control = Control(dialog, controlId);
  // Into the combo's edit, as typing does: text set on the combo itself may
  // be replaced by the list item it starts with.
  HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
  SendMessageW(edit ? edit : control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win32ui::Widen(text).c_str()));
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(controlId, CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(control));
  if (leave) Leave(dialog, controlId);
}

void Slide(HWND dialog, int controlId, int position) {
  HWND control = Control(dialog, controlId);
  SendMessageW(control, TBM_SETPOS, TRUE, position);
  SendMessageW(GetParent(control), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(control));
}

// Waits for a message box owned by `dialog`, returns its text and presses OK.
std::string AnswerMessageBox(HWND dialog) {
  HWND box = WaitForDialog(GetWindowThreadProcessId(dialog, nullptr), L"", dialog);
  if (box == nullptr) return "(no message box)";
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  SendMessageW(box, WM_COMMAND, IDOK, 0);
  // Gone before the next action, or the next search would find it again.
  WaitUntil([box] { return !IsWindow(box); });
  return win32ui::Narrow(text);
}

// Saves the screen under a window as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::wstring& path) {
  // Painting waits for an idle queue; the shot must not.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, {}};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  const DWORD size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
  const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER file{0x4D42, headers + size, 0, 0, headers};
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool saved = out != INVALID_HANDLE_VALUE && WriteFile(out, &file, sizeof file, &written, nullptr) &&
                     WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                     WriteFile(out, bits, size, &written, nullptr);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

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

// With two modules connected, opening asks which one: the module picked in
// the list is the one opened, and Cancel opens none.
TEST(DeviceChoice, TheModulePickedIsTheOneOpenedAndCancelOpensNone) {
  for (bool pick : {true, false}) {
    ASSERT_EQ(SimConfigure(R"({"modules":[{"slot":1,"serial":"1001"},{"slot":4,"serial":"1004"}]})"), 1)
        << SimConfigError();
    std::thread([pick] {  // a fresh driver state
      Host host;
      ASSERT_NE(host.adc, nullptr);
      std::thread user([pick, self = GetCurrentThreadId()] {
        const HWND dialog = WaitForDialog(self, L"Select Device");
        ASSERT_NE(dialog, nullptr);
        wchar_t line[128] = {};
        SendMessageW(Control(dialog, IDC_LSTDEVENUM), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
        EXPECT_EQ(win32ui::Narrow(line), "E-140\t1004");
        if (pick) ChooseItem(dialog, IDC_LSTDEVENUM, 1), SaveScreenshot(dialog, ShotPath(L"device-choice.bmp"));
        PostMessageW(dialog, WM_COMMAND, pick ? IDOK : IDCANCEL, 0);
      });
      VARIANT_BOOL opened = VARIANT_FALSE;
      EXPECT_EQ(host.adc->Test(&opened), S_OK);
      user.join();
      EXPECT_EQ((std::vector<bool>{opened == VARIANT_TRUE, SimModuleOpen(1) != 0, SimModuleOpen(4) != 0}),
                (std::vector<bool>{pick, false, pick}))
          << "driver, slot 1, slot 4";
    }).join();
    SimConfigure(nullptr);
  }
}

struct Opened {
  HWND owner;
  std::wstring target;
  int show;
};
std::vector<Opened> g_opened;

void Record(HWND owner, const wchar_t* target, int show) { g_opened.push_back({owner, target, show}); }

TEST(Win32UiServices, WebAddressOpensOwnedByThePageHandlingTheClick) {
  const HWND page = CreateWindowW(L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(page, nullptr);
  win32ui::Win32UiServices services(&Record);
  {
    const win32ui::CommandOwner owner(page);
    services.OpenUrl("http://www.example.com/");
  }
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0].owner, page);
  EXPECT_EQ(g_opened[0].target, L"http://www.example.com/");
  EXPECT_EQ(g_opened[0].show, SW_SHOW);
  EXPECT_EQ(win32ui::CommandOwner::Current(), nullptr) << "the click's handling is over";
  DestroyWindow(page);
}

}  // namespace
}  // namespace e14::test
