#include <windows.h>

#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "tests/platform/DevicePeer.h"

namespace e14::platform::testing {

std::vector<uint8_t> Pattern(size_t bytes, uint8_t first) {
  std::vector<uint8_t> pattern(bytes);
  for (size_t i = 0; i < bytes; ++i) pattern[i] = static_cast<uint8_t>(first + i);
  return pattern;
}

// The library's end writes messages that complete into the pipe's buffer at once.
struct DevicePeer::Ends {
  HANDLE server = INVALID_HANDLE_VALUE;
  HANDLE client = INVALID_HANDLE_VALUE;
};

DevicePeer::DevicePeer() : ends_(std::make_unique<Ends>()) {
  static std::atomic<int> next{0};
  const std::string name =
      "\\\\.\\pipe\\e14-platform-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(next++);
  ends_->server =
      CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_MESSAGE | PIPE_WAIT, 1, 65536, 0, 0, nullptr);
  ends_->client = CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  DWORD mode = PIPE_READMODE_MESSAGE;
  EXPECT_TRUE(SetNamedPipeHandleState(ends_->client, &mode, nullptr, nullptr));
  EXPECT_TRUE(ConnectNamedPipe(ends_->server, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED);
}

DevicePeer::~DevicePeer() {
  Close();
  CloseHandle(ends_->client);
}

DeviceHandle DevicePeer::Handle() const { return reinterpret_cast<DeviceHandle>(ends_->client); }

void DevicePeer::Answer(const std::vector<uint8_t>& block) {
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(ends_->server, block.data(), static_cast<DWORD>(block.size()), &written, nullptr));
}

void DevicePeer::Close() {
  if (ends_->server != INVALID_HANDLE_VALUE) CloseHandle(ends_->server);
  ends_->server = INVALID_HANDLE_VALUE;
}

// A closed handle; nothing made later in the test can take its number.
ForeignHandle::ForeignHandle() {
  HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(closed);
  handle_ = reinterpret_cast<DeviceHandle>(closed);
}

ForeignHandle::~ForeignHandle() = default;

}  // namespace e14::platform::testing
