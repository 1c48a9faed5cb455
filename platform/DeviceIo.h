// Block reads and module-memory requests on the module handle that the
// vendor library hands out. Results are Win32 error codes (0 = success).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/Sync.h"

namespace e14::platform {

using DeviceHandle = intptr_t;
constexpr DeviceHandle kInvalidDevice = -1;

constexpr uint32_t kErrorIoPending = 997;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorBrokenPipe = 109;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorInvalidHandleIo = 6;

// One block read in flight. The event is set when the read completes in any
// way (data, failure or cancel); ReadResult tells how after that.
struct Overlapped {
  // Resets a record with no read in flight (record = Overlapped{}).
  Overlapped& operator=(const Overlapped& other) {
    Completion = other.Completion;
    Status.store(other.Status.load(std::memory_order_relaxed), std::memory_order_relaxed);
    Bytes.store(other.Bytes.load(std::memory_order_relaxed), std::memory_order_relaxed);
    Native = other.Native;
    return *this;
  }

  Event* Completion = nullptr;
  // Kept by the POSIX implementation, which stores Bytes before it releases
  // Status: whoever acquires the final Status sees the count and the data.
  std::atomic<uint32_t> Status{0};
  std::atomic<uint32_t> Bytes{0};
  // The system's own record where it needs one (Windows: the OVERLAPPED),
  // made by the first read and reused by later ones. Shared, so that a read
  // still in flight keeps it alive whatever becomes of this struct.
  std::shared_ptr<void> Native;
};

// Starts reading `bytes` bytes into `buffer`; the buffer belongs to the read
// until the completion event is set. Returns 0 or kErrorIoPending when the
// read was started (its completion still signals), another code when not.
uint32_t ReadFileOverlapped(DeviceHandle device, void* buffer, uint32_t bytes, Overlapped& request);
// After the completion event: the read's result code (0 = success) and the
// bytes it delivered. Asked before, from any thread, it returns
// kErrorIoPending while the read is in flight.
uint32_t ReadResult(DeviceHandle device, Overlapped& request, uint32_t& bytes);
// Completes every read in flight on the handle, from any thread, with
// kErrorOperationAborted.
bool CancelIo(DeviceHandle device);
// For tests of a device whose reads outlive a cancel: the next `count`
// cancels do nothing and report success (0 ends a plan not used up).
void LoseNextCancels(int count);
// The module-memory control call (synchronous).
bool DeviceIoControl(DeviceHandle device, uint32_t code, const void* in, uint32_t inBytes,
                     void* out, uint32_t outBytes, uint32_t& returned);

}  // namespace e14::platform
