#include "host/Terminal.h"

#include <windows.h>

#include <stdexcept>

namespace e14::host {

namespace {
DWORD gSavedIn = 0, gSavedOut = 0;
}  // namespace

Terminal::Terminal() {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!GetConsoleMode(in, &gSavedIn) || !GetConsoleMode(out, &gSavedOut))
    throw std::runtime_error("the monitor needs a console");
  // Keys one by one and unechoed; Ctrl-C still interrupts; escapes draw.
  SetConsoleMode(in, (gSavedIn & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) | ENABLE_PROCESSED_INPUT);
  SetConsoleMode(out, gSavedOut | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  Put("\x1b[?1049h\x1b[?25l");
}

Terminal::~Terminal() {
  Put("\x1b[?25h\x1b[?1049l");
  SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), gSavedIn);
  SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), gSavedOut);
}

int Terminal::ReadKey(int timeoutMs) {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (WaitForSingleObject(in, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return 0;
  INPUT_RECORD record{};
  DWORD read = 0;
  if (!ReadConsoleInputW(in, &record, 1, &read) || read == 0 || record.EventType != KEY_EVENT ||
      !record.Event.KeyEvent.bKeyDown)
    return 0;
  if (record.Event.KeyEvent.wVirtualKeyCode == VK_UP) return kKeyUp;
  if (record.Event.KeyEvent.wVirtualKeyCode == VK_DOWN) return kKeyDown;
  return record.Event.KeyEvent.uChar.UnicodeChar < 0x80 ? record.Event.KeyEvent.uChar.UnicodeChar : 0;
}

}  // namespace e14::host
