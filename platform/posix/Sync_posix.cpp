#include "platform/Sync.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "platform/CreationRefusals.h"

namespace e14::platform {
namespace {

class PosixEvent final : public Event {
 public:
  void Set() override {
    // Notify under the lock: a waiter that wakes may destroy the event at once.
    std::lock_guard lock(mutex_);
    signalled_ = true;
    wake_.notify_one();
  }

  bool Wait(uint32_t timeoutMs) override {
    std::unique_lock lock(mutex_);
    if (!wake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; }))
      return false;
    signalled_ = false;
    return true;
  }

  void* NativeHandle() override { return nullptr; }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool signalled_ = false;
};

// Shared between the thread object and the running thread.
struct ThreadState {
  std::function<void()> body;
  std::mutex mutex;
  std::condition_variable changed;
  bool resumed = false;
  bool abandoned = false;  // destroyed before Resume: the body never runs
  bool finished = false;
};

void* ThreadMain(void* argument) {
  using Handoff = std::shared_ptr<ThreadState>;
  const Handoff owner = std::move(*std::unique_ptr<Handoff>(static_cast<Handoff*>(argument)));
  bool run = false;
  {
    std::unique_lock lock(owner->mutex);
    owner->changed.wait(lock, [&] { return owner->resumed || owner->abandoned; });
    run = !owner->abandoned;
  }
  if (run) owner->body();
  owner->body = nullptr;  // captured state goes with the thread, not with the last owner
  std::lock_guard lock(owner->mutex);
  owner->finished = true;
  owner->changed.notify_all();
  return nullptr;
}

class PosixThread final : public Thread {
 public:
  PosixThread(pthread_t thread, std::shared_ptr<ThreadState> state)
      : thread_(thread), state_(std::move(state)) {}

  ~PosixThread() override {
    // Rather than leave a thread that nobody waits for.
    if (pthread_equal(thread_, pthread_self())) std::terminate();
    {
      std::lock_guard lock(state_->mutex);
      if (!state_->resumed) state_->abandoned = true;
      state_->changed.notify_all();
    }
    if (!joined_) pthread_join(thread_, nullptr);
  }

  void Resume() override {
    std::lock_guard lock(state_->mutex);
    state_->resumed = true;
    state_->changed.notify_all();
  }

  bool Join(uint32_t timeoutMs) override {
    if (joined_) return true;
    {
      std::unique_lock lock(state_->mutex);
      if (!state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [this] { return state_->finished; }))
        return false;
    }
    pthread_join(thread_, nullptr);
    joined_ = true;
    return true;
  }

 private:
  pthread_t thread_;
  std::shared_ptr<ThreadState> state_;
  bool joined_ = false;
};

// The hint comes from a system where it only sets the initial commit of a far
// larger reserve, so it never shrinks the stack below this system's default.
size_t StackSize(size_t hint) {
  pthread_attr_t defaults;
  size_t standard = PTHREAD_STACK_MIN;
  if (pthread_attr_init(&defaults) == 0) {
    pthread_attr_getstacksize(&defaults, &standard);
    pthread_attr_destroy(&defaults);
  }
  return std::max({hint, standard, static_cast<size_t>(PTHREAD_STACK_MIN)});
}

thread_local bool raised = false;
thread_local int normalNice = 0;

}  // namespace

std::unique_ptr<Event> CreateAutoResetEvent() {
  if (TakeEventRefusal()) return nullptr;
  return std::make_unique<PosixEvent>();
}

std::unique_ptr<Thread> CreateSuspendedThread(std::function<void()> body, size_t stackBytes) {
  if (TakeThreadRefusal()) return nullptr;
  auto state = std::make_shared<ThreadState>();
  state->body = std::move(body);
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return nullptr;
  pthread_attr_setstacksize(&attributes, StackSize(stackBytes));
  auto argument = std::make_unique<std::shared_ptr<ThreadState>>(state);
  pthread_t thread;
  const int failed = pthread_create(&thread, &attributes, &ThreadMain, argument.get());
  pthread_attr_destroy(&attributes);
  if (failed != 0) return nullptr;
  argument.release();  // the new thread owns it now
  return std::make_unique<PosixThread>(thread, std::move(state));
}

void SetCurrentThreadAboveNormal(bool aboveNormal) {
  // On Linux the nice value of a thread id is per thread; lowering it may be
  // refused without privileges, and then the thread simply stays at normal.
  const id_t self = static_cast<id_t>(gettid());
  if (aboveNormal && !raised) {
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, self);
    if (errno != 0) return;
    if (setpriority(PRIO_PROCESS, self, current - 1) == 0) {
      normalNice = current;
      raised = true;
    }
  } else if (!aboveNormal && raised) {
    setpriority(PRIO_PROCESS, self, normalNice);
    raised = false;
  }
}

}  // namespace e14::platform
