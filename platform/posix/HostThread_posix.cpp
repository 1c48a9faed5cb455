#include "platform/HostThread.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace e14::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
  TimerId id;
  Clock::time_point due;
  Clock::duration interval;
  // Shared so that a callback which kills its own timer keeps running.
  std::shared_ptr<std::function<void()>> callback;
  bool running = false;  // inside its callback: not fired again re-entrantly
};

// Posted work arrives from any thread; timers are touched by the owner only.
struct MessageQueue {
  std::mutex mutex;
  std::deque<std::function<void()>> posted;
  std::vector<Timer> timers;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<MessageQueue>> queues;
  std::atomic<uintptr_t> nextThreadId{1};
  std::atomic<TimerId> nextTimerId{1};
};

// Never destroyed: threads may still end, and unregister, during static destruction.
Registry& Queues() {
  static auto* const registry = new Registry;
  return *registry;
}

class ThisThread {
 public:
  ThisThread() : id_(Queues().nextThreadId++), queue_(std::make_shared<MessageQueue>()) {
    std::lock_guard lock(Queues().mutex);
    Queues().queues.emplace(id_, queue_);
  }
  ~ThisThread() {
    std::lock_guard lock(Queues().mutex);
    Queues().queues.erase(id_);
  }
  ThisThread(const ThisThread&) = delete;
  ThisThread& operator=(const ThisThread&) = delete;

  uintptr_t Id() const { return id_; }
  MessageQueue& Queue() { return *queue_; }

 private:
  uintptr_t id_;
  std::shared_ptr<MessageQueue> queue_;
};

ThisThread& Current() {
  thread_local ThisThread self;
  return self;
}

Timer* FindTimer(MessageQueue& queue, TimerId id) {
  for (Timer& timer : queue.timers)
    if (timer.id == id) return &timer;
  return nullptr;
}

void RunPostedWork(MessageQueue& queue) {
  size_t budget = 0;
  {
    std::lock_guard lock(queue.mutex);
    budget = queue.posted.size();
  }
  // Only what was queued on entry, so work that posts itself again cannot
  // keep this call busy forever; a nested call takes over the rest.
  for (; budget > 0; --budget) {
    std::function<void()> work;
    {
      std::lock_guard lock(queue.mutex);
      if (queue.posted.empty()) return;
      work = std::move(queue.posted.front());
      queue.posted.pop_front();
    }
    work();
  }
}

void RunDueTimers(MessageQueue& queue) {
  const auto now = Clock::now();
  std::vector<TimerId> due;
  for (const Timer& timer : queue.timers)
    if (!timer.running && timer.due <= now) due.push_back(timer.id);
  // Callbacks may set or kill timers, so each one is looked up again by id.
  for (const TimerId id : due) {
    Timer* timer = FindTimer(queue, id);
    if (timer == nullptr || timer->running) continue;
    timer->due = Clock::now() + timer->interval;
    timer->running = true;
    const auto callback = timer->callback;
    (*callback)();
    if (Timer* after = FindTimer(queue, id)) after->running = false;
  }
}

}  // namespace

TimerId SetTimer(uint32_t intervalMs, std::function<void()> callback) {
  if (!callback) return 0;
  const TimerId id = Queues().nextTimerId++;
  const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(intervalMs));
  Current().Queue().timers.push_back(
      {id, Clock::now() + interval, interval, std::make_shared<std::function<void()>>(std::move(callback))});
  return id;
}

void KillTimer(TimerId id) {
  auto& timers = Current().Queue().timers;
  std::erase_if(timers, [id](const Timer& timer) { return timer.id == id; });
}

void ProcessPendingMessages() {
  MessageQueue& queue = Current().Queue();
  RunPostedWork(queue);
  RunDueTimers(queue);
}

uintptr_t CurrentThreadId() { return Current().Id(); }

void PostToThread(uintptr_t id, std::function<void()> work) {
  std::shared_ptr<MessageQueue> target;
  {
    std::lock_guard lock(Queues().mutex);
    const auto found = Queues().queues.find(id);
    if (found == Queues().queues.end()) return;
    target = found->second;
  }
  std::lock_guard lock(target->mutex);
  target->posted.push_back(std::move(work));
}

}  // namespace e14::platform
