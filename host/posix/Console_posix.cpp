#include "host/Console.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace e14::host {

namespace {
std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) { gInterrupted = true; }
void (*gPrevious)(int) = SIG_DFL;
}  // namespace

// POSIX streams never translate line ends.
void UseBinaryStandardOutput() {}

bool ErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }

InterruptWatch::InterruptWatch() {
  gInterrupted = false;
  gPrevious = std::signal(SIGINT, OnInterrupt);
}

InterruptWatch::~InterruptWatch() { std::signal(SIGINT, gPrevious); }

bool InterruptWatch::Interrupted() const { return gInterrupted; }

}  // namespace e14::host
