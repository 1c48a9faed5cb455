// The library's end of a module handle, one per system (a module socket on
// POSIX, a message-mode pipe on Windows), for the device-I/O contract, and a
// block read as the engine keeps it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/Sync.h"

namespace e14::platform::testing {

constexpr uint32_t kPatienceMs = 10000;

std::vector<uint8_t> Pattern(size_t bytes, uint8_t first);

class DevicePeer {
 public:
  DevicePeer();
  ~DevicePeer();
  DevicePeer(const DevicePeer&) = delete;
  DevicePeer& operator=(const DevicePeer&) = delete;

  DeviceHandle Handle() const;
  // Sends `block` to the oldest read started and not yet answered.
  void Answer(const std::vector<uint8_t>& block);
  // Ends the library's side.
  void Close();

 private:
  struct Ends;
  std::unique_ptr<Ends> ends_;
};

// A handle of the system's own kind that is no module's (closed, or open on
// something else) for as long as the object lives.
class ForeignHandle {
 public:
  ForeignHandle();
  ~ForeignHandle();
  ForeignHandle(const ForeignHandle&) = delete;
  ForeignHandle& operator=(const ForeignHandle&) = delete;
  DeviceHandle Handle() const { return handle_; }

 private:
  DeviceHandle handle_ = kInvalidDevice;
  intptr_t other_ = -1;
};

struct Block {
  explicit Block(size_t bytes) : data(bytes, 0xEE) { request.Completion = done.get(); }
  // A read still in flight (a failed assertion) must end before its buffer goes.
  ~Block() {
    if (device != kInvalidDevice) CancelIo(device);
  }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  uint32_t Start(DeviceHandle handle, uint32_t bytes) {
    device = handle;
    return ReadFileOverlapped(handle, data.data(), bytes, request);
  }
  // The result code; the bytes delivered go to `delivered`.
  uint32_t Result() { return ReadResult(device, request, delivered); }

  std::unique_ptr<Event> done = CreateAutoResetEvent();
  std::vector<uint8_t> data;
  Overlapped request;
  DeviceHandle device = kInvalidDevice;
  uint32_t delivered = 0;
};

}  // namespace e14::platform::testing
