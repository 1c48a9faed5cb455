#include "platform/HostThread.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>

#include "platform/ThreadExit.h"

namespace e14::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
  // Shared so that a callback which kills its own timer keeps running.
  std::shared_ptr<std::function<void()>> callback;
  Clock::duration interval;
  Clock::time_point fired;  // last call, or when it was set
  bool running = false;     // inside its callback: not fired again re-entrantly
};

// Work carried by a posted message. The number tells work posted before a
// ProcessPendingMessages call began from work posted while it runs.
struct PostedWork {
  std::function<void()> work;
  uint64_t number;
};

std::atomic<uint64_t> nextWorkNumber{0};

struct ThreadMessages {
  std::map<UINT_PTR, Timer> timers;
  // Work taken from the queue that must wait for the next call, oldest first.
  std::deque<std::unique_ptr<PostedWork>> deferred;
};

ThreadMessages& Messages() {
  // A plain pointer: a thread_local object's destructor is not safe here
  // (platform/ThreadExit.h).
  thread_local ThreadMessages* messages = nullptr;
  if (messages == nullptr) {
    messages = new ThreadMessages;
    AtThreadExit(
        [](void* ended) {
          messages = nullptr;
          delete static_cast<ThreadMessages*>(ended);
        },
        messages);
  }
  return *messages;
}

// A registered message is unique in the system, so no other code on the
// host's thread can mistake it for its own or send one that looks like it.
UINT WorkMessage() {
  static const UINT message = RegisterWindowMessageA("E14_140.PostedWork");
  return message;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  auto& timers = Messages().timers;
  const auto found = timers.find(id);
  if (found == timers.end() || found->second.running) return;
  // Behind a slow message loop the system may deliver the missed periods one
  // right after another; like a lagging timer's single message, they count once.
  const auto now = Clock::now();
  if (now - found->second.fired < found->second.interval / 2) return;
  found->second.fired = now;
  found->second.running = true;
  const auto callback = found->second.callback;
  (*callback)();
  // Callbacks may set or kill timers, so it is looked up again.
  if (const auto after = timers.find(id); after != timers.end()) after->second.running = false;
}

}  // namespace

TimerId SetTimer(uint32_t intervalMs, std::function<void()> callback) {
  if (!callback) return 0;
  const UINT_PTR id = ::SetTimer(nullptr, 0, intervalMs, &OnTimer);
  if (id == 0) return 0;
  Messages().timers[id] = {std::make_shared<std::function<void()>>(std::move(callback)),
                           std::chrono::milliseconds(intervalMs), Clock::now()};
  return id;
}

void KillTimer(TimerId id) {
  if (Messages().timers.erase(id) > 0) ::KillTimer(nullptr, id);
}

void ProcessPendingMessages() {
  // Only work posted before this call runs now, so work that posts itself
  // again cannot keep this call busy forever; a nested call takes the rest.
  const uint64_t limit = nextWorkNumber.load();
  auto& deferred = Messages().deferred;
  while (!deferred.empty() && deferred.front()->number < limit) {
    const auto posted = std::move(deferred.front());
    deferred.pop_front();
    posted->work();
  }
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.hwnd == nullptr && message.message == WorkMessage()) {
      std::unique_ptr<PostedWork> posted(reinterpret_cast<PostedWork*>(message.lParam));
      // Behind deferred work it waits too, so work runs in the order posted.
      if (posted->number >= limit || !deferred.empty()) {
        deferred.push_back(std::move(posted));
      } else {
        posted->work();
      }
      continue;
    }
    if (message.message == WM_QUIT) {
      // The host's own message loop must still see it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

uintptr_t CurrentThreadId() {
  // A thread has a message queue only once it asks for messages; work posted
  // to a thread without one would be refused.
  MSG unused;
  PeekMessageA(&unused, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  return GetCurrentThreadId();
}

void PostToThread(uintptr_t id, std::function<void()> work) {
  auto posted = std::make_unique<PostedWork>(PostedWork{std::move(work), nextWorkNumber++});
  if (PostThreadMessageA(static_cast<DWORD>(id), WorkMessage(), 0, reinterpret_cast<LPARAM>(posted.get())))
    posted.release();  // the message owns it now
}

}  // namespace e14::platform
