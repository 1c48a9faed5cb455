#include "host/Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

namespace e14::host {

namespace {
std::atomic<bool> gInterrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  gInterrupted = true;
  return TRUE;
}
}  // namespace

void UseBinaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

bool ErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

InterruptWatch::InterruptWatch() {
  gInterrupted = false;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptWatch::~InterruptWatch() { SetConsoleCtrlHandler(OnControl, FALSE); }

bool InterruptWatch::Interrupted() const { return gInterrupted; }

}  // namespace e14::host
