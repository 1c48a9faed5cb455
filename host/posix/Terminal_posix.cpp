#include "host/Terminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace e14::host {

namespace {
termios gSaved{};
}  // namespace

Terminal::Terminal() {
  if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0 || tcgetattr(STDIN_FILENO, &gSaved) != 0)
    throw std::runtime_error("the monitor needs a terminal");
  termios raw = gSaved;
  // Keys one by one and unechoed; Ctrl-C still interrupts.
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  Put("\x1b[?1049h\x1b[?25l");  // a screen of its own, no cursor
}

Terminal::~Terminal() {
  Put("\x1b[?25h\x1b[?1049l");
  tcsetattr(STDIN_FILENO, TCSANOW, &gSaved);
}

int Terminal::ReadKey(int timeoutMs) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeoutMs) <= 0) return 0;
  // One key at a time, however many are waiting.
  unsigned char key = 0;
  if (read(STDIN_FILENO, &key, 1) != 1) return 0;
  if (key != 0x1b) return key;
  // Arrow keys arrive as ESC [ A and ESC [ B.
  unsigned char sequence[2] = {};
  if (read(STDIN_FILENO, sequence, 2) != 2 || sequence[0] != '[') return 0;
  return sequence[1] == 'A' ? kKeyUp : sequence[1] == 'B' ? kKeyDown : 0;
}

}  // namespace e14::host
