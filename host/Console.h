// Console services of the commands that differ between POSIX and Windows;
// one implementation per OS (posix/, win32/).
#pragma once

namespace e14::host {

// Standard output passes bytes unchanged, so text whose lines already end in
// CR LF (the registry export) gets no second CR.
void UseBinaryStandardOutput();

// True when standard error shows on a terminal, where progress is redrawn.
bool ErrorIsTerminal();

// While it lives, Ctrl-C asks the running command to stop instead of ending
// the program; the previous handling comes back when it ends. One at a time.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool Interrupted() const;
};

}  // namespace e14::host
