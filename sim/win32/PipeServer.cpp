// Module handle on Windows: the driver's handle is the client end of a
// message-mode named pipe opened for overlapped reads; the server end writes
// one message per driver block once the module clock makes it due. The pipe
// buffers nothing, so a write ends only when a read has taken it: at most one
// block waits in the pipe, and one left from an ADC run that has since
// stopped is withdrawn before the driver reads again.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "sim/ModuleServer.h"

namespace e14::sim {
namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

bool Valid(const Handle& handle) { return handle && handle.get() != INVALID_HANDLE_VALUE; }

std::string Failure(const char* call) {
  return std::string(call) + " failed with error " + std::to_string(GetLastError());
}

// Unique per open module, so two modules (or two processes) never meet.
std::string UniquePipeName() {
  static std::atomic<uint32_t> next{0};
  return "\\\\.\\pipe\\E140Sim-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(next++);
}

DWORD MillisecondsUntil(std::optional<int64_t> deadlineNs) {
  if (!deadlineNs) return INFINITE;
  const double left = std::ceil(static_cast<double>(*deadlineNs - SteadyNowNs()) / 1e6);
  return static_cast<DWORD>(std::clamp(left, 0.0, static_cast<double>(INFINITE - 1)));
}

class PipeServer final : public ModuleServer {
 public:
  PipeServer(std::shared_ptr<Module> module, Handle server, Handle client)
      : module_(std::move(module)),
        server_(std::move(server)),
        client_(std::move(client)),
        wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
        stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        written_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        dropped_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
        ended_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

  ~PipeServer() override {
    if (stop_) SetEvent(stop_.get());
    if (thread_.joinable()) thread_.join();
  }
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  bool Serve(std::string& error) {
    if (!wake_ || !stop_ || !written_ || !dropped_ || !ended_) {
      error = Failure("CreateEvent");
      return false;
    }
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
      error = e.what();
      return false;
    }
    return true;
  }

  uint32_t DriverHandle() const override {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(client_.get()));
  }
  void Wake() override { SetEvent(wake_.get()); }

  // The server thread does the withdrawing; this waits until it has.
  void DropStaleData() override {
    std::lock_guard lock(dropMutex_);
    dropWanted_ = true;
    SetEvent(wake_.get());
    const HANDLE answers[] = {dropped_.get(), ended_.get()};
    WaitForMultipleObjects(2, answers, FALSE, INFINITE);
  }

 private:
  void Run() {
    try {
      while (Step()) continue;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "E14-140 simulator: module server stopped: %s\n", e.what());
    }
    if (writing_) Withdraw();
    SetEvent(ended_.get());
  }

  // One wait and what it brought; false once serving ends.
  bool Step() {
    std::optional<int64_t> deadline;
    if (!writing_ && !WriteDueBlock(deadline)) return false;
    const HANDLE events[] = {stop_.get(), wake_.get(), written_.get()};
    const DWORD result = WaitForMultipleObjects(writing_ ? 3 : 2, events, FALSE, MillisecondsUntil(deadline));
    if (result == WAIT_OBJECT_0 + 2) return WriteEnded();
    if (result == WAIT_OBJECT_0 + 1) {
      if (writing_ && module_->RunNumber() != writingRun_) Withdraw();
      if (dropWanted_.exchange(false)) SetEvent(dropped_.get());
    }
    return result != WAIT_OBJECT_0 && result != WAIT_FAILED;
  }

  // Writes the next block when it is due, else tells when to look again.
  // False when the driver's end is gone.
  bool WriteDueBlock(std::optional<int64_t>& deadline) {
    uint64_t run = 0;
    if (!module_->TakeDriverBlock(SteadyNowNs(), samples_, deadline, run)) return true;
    message_.resize(samples_.size() * 2);
    for (size_t i = 0; i < samples_.size(); ++i) {
      const auto word = static_cast<uint16_t>(samples_[i]);
      message_[2 * i] = static_cast<uint8_t>(word);
      message_[2 * i + 1] = static_cast<uint8_t>(word >> 8);
    }
    write_ = OVERLAPPED{};
    write_.hEvent = written_.get();
    if (!WriteFile(server_.get(), message_.data(), static_cast<DWORD>(message_.size()), nullptr, &write_) &&
        GetLastError() != ERROR_IO_PENDING)
      return false;
    writing_ = true;
    writingRun_ = run;
    return true;
  }

  bool WriteEnded() {
    writing_ = false;
    DWORD written = 0;
    return GetOverlappedResult(server_.get(), &write_, &written, FALSE) != FALSE;
  }

  // A cancelled pipe write takes its message back out of the pipe.
  void Withdraw() {
    CancelIoEx(server_.get(), &write_);
    DWORD written = 0;
    // The message buffer belongs to the write until it has ended.
    GetOverlappedResult(server_.get(), &write_, &written, TRUE);
    writing_ = false;
  }

  std::shared_ptr<Module> module_;
  Handle server_, client_;
  Handle wake_, stop_, written_;
  Handle dropped_, ended_;  // answers to DropStaleData
  std::mutex dropMutex_;    // one DropStaleData at a time
  std::atomic<bool> dropWanted_{false};
  std::vector<int16_t> samples_;
  std::vector<uint8_t> message_;
  OVERLAPPED write_{};
  bool writing_ = false;
  uint64_t writingRun_ = 0;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ModuleServer> StartModuleServer(std::shared_ptr<Module> module, std::string& error) {
  const std::string name = UniquePipeName();
  // Outbound, one instance, no buffer: a write ends once a read has taken it.
  Handle server(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                 PIPE_TYPE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 0, 0, nullptr));
  if (!Valid(server)) {
    error = Failure("CreateNamedPipe");
    return nullptr;
  }
  // Write access to the attributes only, to switch the end to message reads.
  Handle client(CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr));
  if (!Valid(client)) {
    error = Failure("CreateFile");
    return nullptr;
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (!SetNamedPipeHandleState(client.get(), &mode, nullptr, nullptr)) {
    error = Failure("SetNamedPipeHandleState");
    return nullptr;
  }
  // The client is connected already, so this ends at once.
  OVERLAPPED connect{};
  if (!ConnectNamedPipe(server.get(), &connect) && GetLastError() != ERROR_PIPE_CONNECTED) {
    error = Failure("ConnectNamedPipe");
    return nullptr;
  }
  auto pipe = std::make_unique<PipeServer>(std::move(module), std::move(server), std::move(client));
  if (!pipe->Serve(error)) return nullptr;
  return pipe;
}

}  // namespace e14::sim
