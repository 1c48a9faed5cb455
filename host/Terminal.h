// The terminal of the live panel: keys as they are pressed, without echo,
// and a screen of its own redrawn in place; what the terminal was is restored
// when the panel ends. One implementation per OS (posix/, win32/).
#pragma once

#include <string>

namespace e14::host {

constexpr int kKeyUp = 0x101;
constexpr int kKeyDown = 0x102;

class Terminal {
 public:
  // Throws std::runtime_error when standard input or output is not a terminal.
  Terminal();
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // The next key pressed within timeoutMs (a character, kKeyUp or kKeyDown),
  // or 0 when none was.
  int ReadKey(int timeoutMs);
  // Replaces the whole screen with `lines` (each ends in '\n').
  void Draw(const std::string& lines);

 private:
  static void Put(const std::string& text);
};

}  // namespace e14::host
