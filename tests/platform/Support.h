// What the contract suites need of each system (Support_posix.cpp,
// Support_win32.cpp): the library's end of a module handle (a module socket
// on POSIX, a message-mode pipe on Windows), and where the loader looks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/Sync.h"

#if !defined(_WIN32)
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "vendor/ModuleWire.h"
#endif

namespace e14::platform::testing {

constexpr uint32_t kPatienceMs = 10000;

inline std::vector<uint8_t> Pattern(size_t bytes, uint8_t first) {
  std::vector<uint8_t> pattern(bytes);
  for (size_t i = 0; i < bytes; ++i) pattern[i] = static_cast<uint8_t>(first + i);
  return pattern;
}

// A read that completes at once still signals: either way its event tells the end.
// `head` followed by filler bytes up to `bytes`.
inline std::vector<uint8_t> Filled(std::vector<uint8_t> head, size_t bytes) {
  head.resize(bytes, 0xEE);
  return head;
}

inline bool Started(uint32_t result) { return result == 0 || result == kErrorIoPending; }

// A handle of the system's own kind that is no module's. On Windows it is a
// closed handle: take it last, so that nothing made later takes its number.
DeviceHandle ForeignHandle();

class DevicePeer {
 public:
  DevicePeer();
  ~DevicePeer();
  DevicePeer(const DevicePeer&) = delete;
  DevicePeer& operator=(const DevicePeer&) = delete;

  DeviceHandle Handle() const { return handle_; }
  // The oldest read not yet answered gets `block`.
  void Answer(const std::vector<uint8_t>& block);
  // Ends the library's side.
  void Close();

#if !defined(_WIN32)
  // What only the socket has. The library serves 64 KiB of module memory
  // and answers Cancel with 995 for every queued read, unless told to leave
  // Cancel unanswered, as a library that has stopped serving.
  void IgnoreCancel() { ignoreCancel_ = true; }
  // Waits up to 10 s until `count` reads are queued; gives those queued.
  std::vector<wire::Request> QueuedReads(size_t count);
  // Sends the first `now` bytes of the oldest queued read's answer;
  // FinishAnswer sends the rest (nothing else may be answered in between).
  void AnswerInPart(const std::vector<uint8_t>& block, size_t now);
  void FinishAnswer();
  int MemoryRequests() const { return memoryRequests_; }
  // Closes only the driver's descriptor, as a library that forgets the other end.
  void CloseDriverEnd();
  // Gives the driver's end the descriptor number `number` instead; false
  // when the library's end holds that number.
  bool MoveHandleTo(int number);
  // Waits up to 10 s until the driver's end of the socket is gone.
  bool WaitForDriverGone();

 private:
  void Serve();
  void Reply(const wire::Reply& reply, const void* payload, size_t bytes);  // under mutex_

  int own_ = -1;
  std::thread thread_;
  std::mutex mutex_;  // everything below, and every reply sent whole
  std::condition_variable changed_;
  std::atomic<bool> ignoreCancel_{false};
  std::deque<wire::Request> reads_;
  std::vector<uint8_t> unsent_;
  std::vector<uint8_t> memory_ = std::vector<uint8_t>(0x10000);
  std::atomic<int> memoryRequests_{0};
  bool driverGone_ = false;
#else
 private:
  DeviceHandle server_ = kInvalidDevice;
#endif
  DeviceHandle handle_ = kInvalidDevice;
};

// A block read as the acquisition engine keeps it.
struct Block {
  explicit Block(size_t bytes) : data(bytes, 0xEE) { request.Completion = done.get(); }
  // A read still in flight (a failed assertion) must end before its buffer goes.
  ~Block() {
    if (device != kInvalidDevice) CancelIo(device);
  }
  uint32_t Start(DeviceHandle handle, uint32_t bytes) {
    device = handle;
    return ReadFileOverlapped(handle, data.data(), bytes, request);
  }
  // The result code; the bytes delivered go to `delivered`.
  uint32_t Result() { return ReadResult(device, request, delivered); }
  // The result code, the bytes delivered and the buffer.
  std::tuple<uint32_t, uint32_t, std::vector<uint8_t>> Outcome() { return {Result(), delivered, data}; }

  std::unique_ptr<Event> done = CreateAutoResetEvent();
  std::vector<uint8_t> data;
  Overlapped request;
  DeviceHandle device = kInvalidDevice;
  uint32_t delivered = 0;
};

// The calling thread's priority, higher for more urgent; POSIX refuses to
// raise it without privileges.
int ThreadPriority();
extern const bool kRaisingMayBeRefused;

std::filesystem::path ProgramFolder();
// The file the loader looks for when asked for `dllName` ("X.dll").
std::string LibraryFile(const std::string& dllName);
// A library that only the system folder holds.
extern const char* const kSystemLibrary;
// Puts `folder` first on the search path that a plain load reads now, or
// puts the path back (nothing on POSIX, whose loader reads it only at start).
void OnSearchPath(const std::filesystem::path& folder, bool on);
// Where the system's plain load looks in the current directory (Windows),
// shows that it finds the copy planted there, so that the plant proves something.
void ExpectAPlainLoadFinds(const std::string& dllName);

}  // namespace e14::platform::testing
