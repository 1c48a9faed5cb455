#include "platform/CreationRefusals.h"

#include <atomic>

#include "platform/DeviceIo.h"
#include "platform/Sync.h"

namespace e14::platform {

namespace {

std::atomic<int> eventRefusals{0};
std::atomic<int> threadRefusals{0};
std::atomic<int> lostCancels{0};

bool Take(std::atomic<int>& planned) {
  int left = planned.load(std::memory_order_relaxed);
  bool taken = false;
  while (left > 0 && !taken) taken = planned.compare_exchange_weak(left, left - 1, std::memory_order_relaxed);
  return taken;
}

void Plan(std::atomic<int>& planned, int count) { planned.store(count > 0 ? count : 0, std::memory_order_relaxed); }

}  // namespace

void RefuseNextEvents(int count) { Plan(eventRefusals, count); }
void RefuseNextThreads(int count) { Plan(threadRefusals, count); }
void LoseNextCancels(int count) { Plan(lostCancels, count); }
bool TakeEventRefusal() { return Take(eventRefusals); }
bool TakeThreadRefusal() { return Take(threadRefusals); }
bool TakeLostCancel() { return Take(lostCancels); }

}  // namespace e14::platform
