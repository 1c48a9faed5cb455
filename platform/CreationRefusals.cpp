#include "platform/CreationRefusals.h"

#include <atomic>

#include "platform/Sync.h"

namespace e14::platform {

namespace {

std::atomic<int> eventRefusals{0};
std::atomic<int> threadRefusals{0};

bool Take(std::atomic<int>& planned) {
  int left = planned.load(std::memory_order_relaxed);
  while (left > 0 && !planned.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
  }
  return left > 0;
}

}  // namespace

void RefuseNextEvents(int count) { eventRefusals.store(count > 0 ? count : 0, std::memory_order_relaxed); }
void RefuseNextThreads(int count) { threadRefusals.store(count > 0 ? count : 0, std::memory_order_relaxed); }
bool TakeEventRefusal() { return Take(eventRefusals); }
bool TakeThreadRefusal() { return Take(threadRefusals); }

}  // namespace e14::platform
