#include "platform/ThreadExit.h"

#include <pthread.h>

#include <memory>
#include <utility>
#include <vector>

namespace e14::platform {
namespace {

using ExitCalls = std::vector<std::pair<void (*)(void*), void*>>;

void RunExitCalls(void* value) {
  const std::unique_ptr<ExitCalls> calls(static_cast<ExitCalls*>(value));
  while (!calls->empty()) {
    const auto [call, argument] = calls->back();
    calls->pop_back();
    call(argument);
  }
}

// A key of the threads library: its destructors run when any thread ends,
// also threads the library did not start, with the value kept in the
// library's own storage. Being part of this module, it makes no calls into
// it once the component is unloaded.
pthread_key_t ExitKey() {
  static const pthread_key_t key = [] {
    pthread_key_t created{};
    pthread_key_create(&created, &RunExitCalls);
    return created;
  }();
  return key;
}

}  // namespace

void AtThreadExit(void (*call)(void*), void* argument) {
  auto* calls = static_cast<ExitCalls*>(pthread_getspecific(ExitKey()));
  if (calls == nullptr) {
    calls = new ExitCalls;
    pthread_setspecific(ExitKey(), calls);
  }
  calls->emplace_back(call, argument);
}

}  // namespace e14::platform
