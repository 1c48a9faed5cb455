// The shell's "open" from a page: the maker's web site belongs to the page
// whose logo was clicked and is shown as the shell chooses (SW_SHOW).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/win32/Win32UiServices.h"

namespace e14::test {
namespace {

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
