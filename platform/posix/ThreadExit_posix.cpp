#include "platform/ThreadExit.h"

#include <utility>
#include <vector>

namespace e14::platform {
namespace {

struct ExitCalls {
  ~ExitCalls() {
    while (!calls.empty()) {
      const auto [call, argument] = calls.back();
      calls.pop_back();
      call(argument);
    }
  }
  std::vector<std::pair<void (*)(void*), void*>> calls;
};

// Made at the first registration, so it ends in the place among the
// thread's objects that the registering object's own would have had.
thread_local ExitCalls exitCalls;

}  // namespace

void AtThreadExit(void (*call)(void*), void* argument) { exitCalls.calls.emplace_back(call, argument); }

}  // namespace e14::platform
