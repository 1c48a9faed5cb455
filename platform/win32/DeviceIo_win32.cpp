#include "platform/DeviceIo.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/CreationRefusals.h"

namespace e14::platform {
namespace {

// How long CancelIo waits for the cancelled reads to complete.
constexpr DWORD kCancelPatienceMs = 5000;

HANDLE ToHandle(DeviceHandle device) { return reinterpret_cast<HANDLE>(device); }

// The system writes the status while a read ends, on another thread.
bool Completed(const OVERLAPPED& record) {
  return *static_cast<const volatile ULONG_PTR*>(&record.Internal) != STATUS_PENDING;
}

// Reads in flight, so that CancelIo can wait for reads that other threads
// issued: their events are auto-reset and belong to the waiting thread.
struct InFlight {
  HANDLE device;
  std::shared_ptr<OVERLAPPED> record;
};

struct Table {
  std::mutex mutex;
  std::vector<InFlight> reads;
};

// Never destroyed: reads may still be cancelled during static destruction.
Table& Reads() {
  static auto* const table = new Table;
  return *table;
}

void Track(HANDLE device, const std::shared_ptr<OVERLAPPED>& record) {
  Table& table = Reads();
  std::lock_guard lock(table.mutex);
  std::erase_if(table.reads, [](const InFlight& read) { return Completed(*read.record); });
  table.reads.push_back({device, record});
}

std::vector<std::shared_ptr<OVERLAPPED>> ReadsOn(HANDLE device) {
  Table& table = Reads();
  std::lock_guard lock(table.mutex);
  std::vector<std::shared_ptr<OVERLAPPED>> found;
  for (const InFlight& read : table.reads)
    if (read.device == device) found.push_back(read.record);
  return found;
}

}  // namespace

uint32_t ReadFileOverlapped(DeviceHandle device, void* buffer, uint32_t bytes, Overlapped& request) {
  if (request.Completion == nullptr || request.Completion->NativeHandle() == nullptr)
    return ERROR_INVALID_PARAMETER;
  if (!request.Native) request.Native = std::make_shared<OVERLAPPED>();
  const auto record = std::static_pointer_cast<OVERLAPPED>(request.Native);
  // The system still writes into a record whose read is in flight.
  if (!Completed(*record)) return ERROR_INVALID_PARAMETER;
  *record = OVERLAPPED{};
  record->hEvent = request.Completion->NativeHandle();
  const HANDLE handle = ToHandle(device);
  Track(handle, record);
  // A read that completes at once still signals its event.
  if (ReadFile(handle, buffer, bytes, nullptr, record.get())) return 0;
  const DWORD error = GetLastError();
  if (error == ERROR_IO_PENDING) return kErrorIoPending;
  // A message longer than the buffer ends the read at once, partly filled,
  // and signals like any completion; ReadResult reports it.
  if (error == ERROR_MORE_DATA) return 0;
  record->Internal = 0;  // never started: nothing to wait for
  return error;
}

uint32_t ReadResult(DeviceHandle device, Overlapped& request, uint32_t& bytes) {
  bytes = 0;
  auto* const record = static_cast<OVERLAPPED*>(request.Native.get());
  if (record == nullptr) return ERROR_INVALID_PARAMETER;
  DWORD delivered = 0;
  const bool done = GetOverlappedResult(ToHandle(device), record, &delivered, FALSE);
  bytes = delivered;
  if (done) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_IO_INCOMPLETE ? kErrorIoPending : error;
}

bool CancelIo(DeviceHandle device) {
  if (TakeLostCancel()) return true;
  // -1 means no handle here; to the system it would be this process.
  if (device == kInvalidDevice) return false;
  const HANDLE handle = ToHandle(device);
  // CancelIo alone would reach only the calling thread's reads.
  if (!CancelIoEx(handle, nullptr) && GetLastError() != ERROR_NOT_FOUND) return false;
  const auto reads = ReadsOn(handle);
  const DWORD start = GetTickCount();
  const auto pending = [&] {
    return std::any_of(reads.begin(), reads.end(), [](const auto& record) { return !Completed(*record); });
  };
  while (pending()) {
    if (GetTickCount() - start > kCancelPatienceMs) return false;
    Sleep(1);
  }
  return true;
}

bool DeviceIoControl(DeviceHandle device, uint32_t code, const void* in, uint32_t inBytes,
                     void* out, uint32_t outBytes, uint32_t& returned) {
  returned = 0;
  // The handle is opened for overlapped I/O: the call needs its own record
  // and event, and is waited for here.
  OVERLAPPED record{};
  record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (record.hEvent == nullptr) return false;
  const HANDLE handle = ToHandle(device);
  DWORD delivered = 0;
  bool done = ::DeviceIoControl(handle, code, const_cast<void*>(in), inBytes, out, outBytes, &delivered, &record);
  if (!done && GetLastError() == ERROR_IO_PENDING) done = GetOverlappedResult(handle, &record, &delivered, TRUE);
  CloseHandle(record.hEvent);
  if (done) returned = delivered;
  return done;
}

}  // namespace e14::platform
