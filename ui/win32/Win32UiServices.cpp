#include "ui/win32/Win32UiServices.h"

#include <windows.h>
#include <shellapi.h>

#include "ui/win32/WideText.h"

namespace e14::win32ui {

namespace {

// HtmlHelpW's command numbers (htmlhelp.h is not in every toolchain).
constexpr UINT kHelpDisplayTopic = 0x0000;
constexpr UINT kHelpContext = 0x000F;
using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The host program's title, which message boxes without their own carry:
// the executable's name without folder and extension.
std::wstring HostTitle() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path);
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name;
}

HtmlHelpFunction HtmlHelp() {
  static const HtmlHelpFunction function = [] {
    const HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
    return viewer ? reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")))
                  : nullptr;
  }();
  return function;
}

thread_local HWND g_commandOwner = nullptr;

}  // namespace

CommandOwner::CommandOwner(HWND window) : previous_(g_commandOwner) { g_commandOwner = window; }
CommandOwner::~CommandOwner() { g_commandOwner = previous_; }
HWND CommandOwner::Current() { return g_commandOwner; }

void OpenWithShell(HWND owner, const wchar_t* target, int show) {
  ShellExecuteW(owner, L"open", target, nullptr, nullptr, show);
}

void Win32UiServices::ShowMessage(const std::string& text, const std::string& title) {
  const std::wstring caption = title.empty() ? HostTitle() : Widen(title);
  MessageBoxW(GetActiveWindow(), Widen(text).c_str(), caption.c_str(), MB_OK);
}

void Win32UiServices::OpenHelp(const std::string& file, int32_t topic) {
  const std::wstring path = Widen(file);
  const HWND owner = GetActiveWindow();
  if (const HtmlHelpFunction help = HtmlHelp()) {
    if (help(owner, path.c_str(), kHelpContext, static_cast<DWORD_PTR>(topic)) != nullptr) return;
    // A help file without that topic still opens at its start.
    if (help(owner, path.c_str(), kHelpDisplayTopic, 0) != nullptr) return;
  }
  shellOpen_(owner, path.c_str(), SW_SHOWNORMAL);
}

void Win32UiServices::OpenUrl(const std::string& url) {
  const HWND owner = CommandOwner::Current() != nullptr ? CommandOwner::Current() : GetActiveWindow();
  shellOpen_(owner, Widen(url).c_str(), SW_SHOW);
}

std::string Win32UiServices::DecimalSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 1) return ".";
  return Narrow(separator);
}

}  // namespace e14::win32ui
