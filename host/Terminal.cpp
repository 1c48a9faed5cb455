#include "host/Terminal.h"

#include <cstdio>

namespace e14::host {

void Terminal::Put(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void Terminal::Draw(const std::string& lines) {
  // From the top, each line cleared to its end, and whatever was below cleared.
  std::string screen = "\x1b[H";
  for (const char c : lines) screen += c == '\n' ? std::string("\x1b[K\r\n") : std::string(1, c);
  Put(screen + "\x1b[J");
}

}  // namespace e14::host
