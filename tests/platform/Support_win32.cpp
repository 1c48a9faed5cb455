#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "tests/platform/Support.h"

namespace e14::platform::testing {

const char* const kSystemLibrary = "kernel32.dll";

int ThreadPriority() { return GetThreadPriority(GetCurrentThread()); }
const bool kRaisingMayBeRefused = false;

std::filesystem::path ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

std::string LibraryFile(const std::string& dllName) { return dllName; }

void OnSearchPath(const std::filesystem::path& folder, bool on) {
  static char path[32767] = {};
  if (on) GetEnvironmentVariableA("PATH", path, sizeof path);
  SetEnvironmentVariableA("PATH", on ? (folder.string() + ";" + path).c_str() : path);
}

void ExpectAPlainLoadFinds(const std::string& dllName) {
  const HMODULE plain = LoadLibraryA(dllName.c_str());
  EXPECT_NE(plain, nullptr) << "the plant is not where a plain load looks";
  if (plain != nullptr) FreeLibrary(plain);
}

DeviceHandle ForeignHandle() {
  const HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(closed);
  return reinterpret_cast<DeviceHandle>(closed);
}

// The library's end writes messages that complete into the pipe's buffer at once.
DevicePeer::DevicePeer() {
  static std::atomic<int> next{0};
  const std::string name =
      "\\\\.\\pipe\\e14-platform-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(next++);
  const HANDLE server =
      CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_MESSAGE | PIPE_WAIT, 1, 65536, 0, 0, nullptr);
  const HANDLE client = CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
  DWORD mode = PIPE_READMODE_MESSAGE;
  EXPECT_TRUE(SetNamedPipeHandleState(client, &mode, nullptr, nullptr));
  EXPECT_TRUE(ConnectNamedPipe(server, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED);
  server_ = reinterpret_cast<DeviceHandle>(server);
  handle_ = reinterpret_cast<DeviceHandle>(client);
}

DevicePeer::~DevicePeer() {
  Close();
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void DevicePeer::Answer(const std::vector<uint8_t>& block) {
  DWORD written = 0;
  const HANDLE server = reinterpret_cast<HANDLE>(server_);
  ASSERT_TRUE(WriteFile(server, block.data(), static_cast<DWORD>(block.size()), &written, nullptr));
}

void DevicePeer::Close() {
  if (server_ != kInvalidDevice) CloseHandle(reinterpret_cast<HANDLE>(server_));
  server_ = kInvalidDevice;
}

}  // namespace e14::platform::testing
