// The host thread's message processing, as the slow acquisition mode needs
// it: a one-shot timer whose callback runs on the host thread, work posted to
// the host thread, and "process pending messages" from inside a long loop.
#pragma once

#include <cstdint>
#include <functional>

namespace e14::platform {

using TimerId = uintptr_t;

// A timer on the calling thread that calls `callback` from that thread's
// message processing every `intervalMs` until killed; 0 when it cannot be set.
TimerId SetTimer(uint32_t intervalMs, std::function<void()> callback);
void KillTimer(TimerId id);

// Runs what is due for the calling thread: timers and posted work.
void ProcessPendingMessages();

// Identity of the calling thread for PostToThread.
uintptr_t CurrentThreadId();
// Queues work to run on thread `id` during its message processing.
void PostToThread(uintptr_t id, std::function<void()> work);

}  // namespace e14::platform
