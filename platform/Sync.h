// Threads and events for the acquisition engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace e14::platform {

// Auto-reset event: Set wakes one waiter, or the next one to wait.
class Event {
 public:
  virtual ~Event() = default;
  virtual void Set() = 0;
  // True when signalled within timeoutMs (the signal is consumed).
  virtual bool Wait(uint32_t timeoutMs) = 0;
  // The native handle on Windows (for OVERLAPPED records); 0 elsewhere.
  virtual void* NativeHandle() = 0;
};

// Null when the system refuses to create one.
std::unique_ptr<Event> CreateAutoResetEvent();

// A thread created suspended; it starts running at Resume.
class Thread {
 public:
  // Waits for the thread to end. Its own body must not destroy it: a thread
  // cannot wait for itself, and that ends the program.
  virtual ~Thread() = default;
  virtual void Resume() = 0;
  // Waits up to timeoutMs for the thread to end; true when it has.
  virtual bool Join(uint32_t timeoutMs) = 0;
};

// Null when the thread cannot be created. stackBytes is a hint; systems with
// a larger minimum use their minimum.
std::unique_ptr<Thread> CreateSuspendedThread(std::function<void()> body, size_t stackBytes);

// For tests of the failure paths: the next `count` creations of that kind
// fail as if the system had refused them (0 ends a plan not used up).
void RefuseNextEvents(int count);
void RefuseNextThreads(int count);

// Raises the calling thread one step above normal priority, or back to normal.
// Where the system does not allow it, the priority stays as it was.
void SetCurrentThreadAboveNormal(bool aboveNormal);

}  // namespace e14::platform
