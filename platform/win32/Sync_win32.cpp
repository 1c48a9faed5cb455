#include "platform/Sync.h"

#include <windows.h>

#include <atomic>
#include <exception>

#include "platform/CreationRefusals.h"

namespace e14::platform {
namespace {

class Win32Event final : public Event {
 public:
  explicit Win32Event(HANDLE handle) : handle_(handle) {}
  ~Win32Event() override { CloseHandle(handle_); }
  Win32Event(const Win32Event&) = delete;
  Win32Event& operator=(const Win32Event&) = delete;

  void Set() override { SetEvent(handle_); }
  bool Wait(uint32_t timeoutMs) override { return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0; }
  void* NativeHandle() override { return handle_; }

 private:
  HANDLE handle_;
};

// Shared between the thread object and the running thread.
struct ThreadState {
  std::function<void()> body;
  std::atomic<bool> abandoned{false};  // destroyed before Resume: the body never runs
};

DWORD WINAPI ThreadMain(void* argument) {
  using Handoff = std::shared_ptr<ThreadState>;
  const Handoff state = std::move(*std::unique_ptr<Handoff>(static_cast<Handoff*>(argument)));
  if (!state->abandoned) state->body();
  state->body = nullptr;  // captured state goes with the thread, not with the last owner
  return 0;
}

class Win32Thread final : public Thread {
 public:
  Win32Thread(HANDLE handle, DWORD id, std::shared_ptr<ThreadState> state)
      : handle_(handle), id_(id), state_(std::move(state)) {}

  ~Win32Thread() override {
    // Rather than leave a thread that nobody waits for.
    if (id_ == GetCurrentThreadId()) std::terminate();
    if (!resumed_) {
      state_->abandoned = true;
      ResumeThread(handle_);
    }
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
  }
  Win32Thread(const Win32Thread&) = delete;
  Win32Thread& operator=(const Win32Thread&) = delete;

  void Resume() override {
    if (resumed_) return;
    resumed_ = true;
    ResumeThread(handle_);
  }

  bool Join(uint32_t timeoutMs) override { return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0; }

 private:
  HANDLE handle_;
  DWORD id_;
  std::shared_ptr<ThreadState> state_;
  bool resumed_ = false;
};

}  // namespace

std::unique_ptr<Event> CreateAutoResetEvent() {
  if (TakeEventRefusal()) return nullptr;
  HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (handle == nullptr) return nullptr;
  return std::make_unique<Win32Event>(handle);
}

std::unique_ptr<Thread> CreateSuspendedThread(std::function<void()> body, size_t stackBytes) {
  if (TakeThreadRefusal()) return nullptr;
  auto state = std::make_shared<ThreadState>();
  state->body = std::move(body);
  auto argument = std::make_unique<std::shared_ptr<ThreadState>>(state);
  DWORD id = 0;
  // Without STACK_SIZE_PARAM_IS_A_RESERVATION the size is only the initial
  // commit: the program's default reserve still bounds the stack.
  HANDLE handle = CreateThread(nullptr, stackBytes, &ThreadMain, argument.get(), CREATE_SUSPENDED, &id);
  if (handle == nullptr) return nullptr;
  argument.release();  // the new thread owns it now
  return std::make_unique<Win32Thread>(handle, id, std::move(state));
}

void SetCurrentThreadAboveNormal(bool aboveNormal) {
  SetThreadPriority(GetCurrentThread(), aboveNormal ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL);
}

}  // namespace e14::platform
