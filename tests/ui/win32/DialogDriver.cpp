#include "tests/ui/win32/DialogDriver.h"

#include <commctrl.h>

#include <chrono>
#include <initializer_list>
#include <thread>

#include "ui/win32/WideText.h"

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

}  // namespace

Host::Host() {
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

Host::~Host() {
  for (IUnknown* face : std::initializer_list<IUnknown*>{dio, adc, driver})
    if (face != nullptr) face->Release();
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\E14DialogTest");
  RegCloseKey(sandbox_);
  CoUninitialize();
}

std::wstring ShotPath(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"E14_SHOTS", folder, MAX_PATH) > 0) return std::wstring(folder) + L"\\" + name;
  return BesideExe(name);
}

HWND WaitForDialog(DWORD thread, const std::wstring& prefix, HWND owner) {
  Search search{prefix, owner, nullptr};
  WaitUntil([&] {
    EnumThreadWindows(thread, &Match, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

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

void ClickTab(HWND dialog, int tab) {
  HWND tabs = GetDlgItem(dialog, 1001);
  RECT item{};
  SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(tabs, WM_LBUTTONUP, 0, at);
}

int CurrentTab(HWND dialog) { return static_cast<int>(SendMessageW(GetDlgItem(dialog, 1001), TCM_GETCURSEL, 0, 0)); }

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

void ChooseItem(HWND dialog, int controlId, int index) {
  HWND control = Control(dialog, controlId);
  const bool list = IsClass(control, L"ListBox");
  SendMessageW(control, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(controlId, list ? LBN_SELCHANGE : CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(control));
}

void Type(HWND dialog, int controlId, const std::string& text, bool leave) {
  HWND control = Control(dialog, controlId);
  // Into the combo's edit, as typing does: text set on the combo itself may
  // be replaced by the list item it starts with.
  HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
  SendMessageW(edit ? edit : control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win32ui::Widen(text).c_str()));
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(controlId, CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(control));
  if (leave) Leave(dialog, controlId);
}

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

void Slide(HWND dialog, int controlId, int position) {
  HWND control = Control(dialog, controlId);
  SendMessageW(control, TBM_SETPOS, TRUE, position);
  SendMessageW(GetParent(control), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(control));
}

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

}  // namespace e14::test
