// The models speak UTF-8, the W functions UTF-16.
#pragma once

#include <windows.h>

#include <string>

namespace e14::win32ui {

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

// A window's text (a control's caption or an edit's contents) as UTF-8.
std::string WindowText(HWND window);

// A text whose lines end in a lone line feed, with CR LF instead: multi-line
// edit controls break lines only there.
std::string WithCrLf(const std::string& text);

}  // namespace e14::win32ui
