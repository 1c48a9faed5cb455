// Block reads on the client end of a message-mode named pipe, the kind of
// handle the simulated library gives the driver on Windows; the test plays
// the library's end and writes the messages itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/DeviceIo.h"

namespace e14::platform {
namespace {

constexpr uint32_t kPatienceMs = 10000;
constexpr uint32_t kErrorMoreData = 234;

std::vector<uint8_t> Pattern(size_t bytes, uint8_t first) {
  std::vector<uint8_t> pattern(bytes);
  for (size_t i = 0; i < bytes; ++i) pattern[i] = static_cast<uint8_t>(first + i);
  return pattern;
}

// The library's end: writes complete into the pipe's buffer at once.
class PipeEnd {
 public:
  PipeEnd() {
    static std::atomic<int> next{0};
    const std::string name =
        "\\\\.\\pipe\\e14-platform-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(next++);
    server_ = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_MESSAGE | PIPE_WAIT, 1, 65536, 0, 0,
                               nullptr);
    client_ = CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    DWORD mode = PIPE_READMODE_MESSAGE;
    EXPECT_TRUE(SetNamedPipeHandleState(client_, &mode, nullptr, nullptr));
    EXPECT_TRUE(ConnectNamedPipe(server_, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED);
  }
  ~PipeEnd() {
    Close();
    CloseHandle(client_);
  }
  PipeEnd(const PipeEnd&) = delete;
  PipeEnd& operator=(const PipeEnd&) = delete;

  DeviceHandle Handle() const { return reinterpret_cast<DeviceHandle>(client_); }
  void Write(const std::vector<uint8_t>& message) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(server_, message.data(), static_cast<DWORD>(message.size()), &written, nullptr));
  }
  void Close() {
    if (server_ != INVALID_HANDLE_VALUE) CloseHandle(server_);
    server_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE server_ = INVALID_HANDLE_VALUE;
  HANDLE client_ = INVALID_HANDLE_VALUE;
};

// One block read as the engine keeps it: a buffer, its record and its event.
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

bool Started(uint32_t result) { return result == 0 || result == kErrorIoPending; }

TEST(DeviceIoTest, TwoReadsInFlightCompleteInOrderIntoTheirOwnBuffers) {
  PipeEnd pipe;
  Block first(64), second(64);
  EXPECT_EQ(first.Start(pipe.Handle(), 64), kErrorIoPending);
  EXPECT_EQ(second.Start(pipe.Handle(), 48), kErrorIoPending);
  EXPECT_FALSE(first.done->Wait(20));

  pipe.Write(Pattern(64, 1));
  ASSERT_TRUE(first.done->Wait(kPatienceMs));
  EXPECT_FALSE(second.done->Wait(0));
  EXPECT_EQ(first.Result(), 0u);
  EXPECT_EQ(first.delivered, 64u);
  EXPECT_EQ(first.data, Pattern(64, 1));

  pipe.Write(Pattern(20, 100));  // a short message ends the read short
  ASSERT_TRUE(second.done->Wait(kPatienceMs));
  EXPECT_EQ(second.Result(), 0u);
  EXPECT_EQ(second.delivered, 20u);
  std::vector<uint8_t> expected = Pattern(20, 100);
  expected.resize(64, 0xEE);
  EXPECT_EQ(second.data, expected);
}

TEST(DeviceIoTest, DataAlreadyWaitingCompletesAtOnceAndStillSignals) {
  PipeEnd pipe;
  pipe.Write(Pattern(32, 7));
  Block block(32);
  EXPECT_TRUE(Started(block.Start(pipe.Handle(), 32)));
  ASSERT_TRUE(block.done->Wait(kPatienceMs));
  EXPECT_EQ(block.Result(), 0u);
  EXPECT_EQ(block.delivered, 32u);
  EXPECT_EQ(block.data, Pattern(32, 7));
}

TEST(DeviceIoTest, AMessageLongerThanTheReadFillsItAndLeavesTheRestForTheNext) {
  PipeEnd pipe;
  pipe.Write(Pattern(48, 0));
  Block head(32), tail(32);
  EXPECT_TRUE(Started(head.Start(pipe.Handle(), 32)));  // started: its event tells the end
  ASSERT_TRUE(head.done->Wait(kPatienceMs));
  EXPECT_EQ(head.Result(), kErrorMoreData);
  EXPECT_EQ(head.delivered, 32u);
  EXPECT_EQ(head.data, Pattern(32, 0));

  EXPECT_TRUE(Started(tail.Start(pipe.Handle(), 32)));
  ASSERT_TRUE(tail.done->Wait(kPatienceMs));
  EXPECT_EQ(tail.Result(), 0u);
  EXPECT_EQ(tail.delivered, 16u);
  EXPECT_EQ(tail.data[0], 32);
}

TEST(DeviceIoTest, ARequestWhoseReadIsInFlightIsNotReused) {
  PipeEnd pipe;
  Block block(16);
  ASSERT_EQ(block.Start(pipe.Handle(), 16), kErrorIoPending);
  EXPECT_EQ(block.Start(pipe.Handle(), 16), static_cast<uint32_t>(ERROR_INVALID_PARAMETER));
  pipe.Write(Pattern(16, 3));
  ASSERT_TRUE(block.done->Wait(kPatienceMs));
  EXPECT_EQ(block.Result(), 0u);
  EXPECT_EQ(block.data, Pattern(16, 3));
  EXPECT_FALSE(block.done->Wait(50));  // one read, one completion
}

TEST(DeviceIoTest, CancelFromAnotherThreadReturnsOnlyOnceEveryReadHasEndedAborted) {
  PipeEnd pipe;
  Block first(32), second(32);
  ASSERT_EQ(first.Start(pipe.Handle(), 32), kErrorIoPending);
  ASSERT_EQ(second.Start(pipe.Handle(), 32), kErrorIoPending);

  bool cancelled = false;
  uint32_t atReturn[2] = {};
  std::thread host([&] {
    cancelled = CancelIo(pipe.Handle());
    // Asked without waiting: both must have ended by now.
    uint32_t bytes = 0;
    atReturn[0] = ReadResult(pipe.Handle(), first.request, bytes);
    atReturn[1] = ReadResult(pipe.Handle(), second.request, bytes);
  });
  host.join();
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(atReturn[0], kErrorOperationAborted);
  EXPECT_EQ(atReturn[1], kErrorOperationAborted);
  for (Block* block : {&first, &second}) {
    EXPECT_TRUE(block->done->Wait(kPatienceMs));
    EXPECT_EQ(block->Result(), kErrorOperationAborted);
    EXPECT_EQ(block->delivered, 0u);
    EXPECT_EQ(block->data, std::vector<uint8_t>(32, 0xEE));
  }

  // Nothing was consumed, and the handle goes on working.
  pipe.Write(Pattern(8, 5));
  Block again(8);
  EXPECT_TRUE(Started(again.Start(pipe.Handle(), 8)));
  ASSERT_TRUE(again.done->Wait(kPatienceMs));
  EXPECT_EQ(again.Result(), 0u);
  EXPECT_EQ(again.data, Pattern(8, 5));
  EXPECT_TRUE(CancelIo(pipe.Handle()));  // nothing in flight: nothing to do
}

TEST(DeviceIoTest, AClosedLibraryEndBreaksPendingAndLaterReads) {
  PipeEnd pipe;
  Block pending(32);
  ASSERT_EQ(pending.Start(pipe.Handle(), 32), kErrorIoPending);
  pipe.Close();
  ASSERT_TRUE(pending.done->Wait(kPatienceMs));
  EXPECT_EQ(pending.Result(), kErrorBrokenPipe);

  Block later(32);
  EXPECT_EQ(later.Start(pipe.Handle(), 32), kErrorBrokenPipe);
  EXPECT_FALSE(later.done->Wait(50));  // refused reads never signal
}

TEST(DeviceIoTest, HandlesThatAreNotOpenAreRefused) {
  Block first(8), second(8);
  // Closed once everything else is made, so that nothing takes its number.
  HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(closed);
  const std::pair<DeviceHandle, Block*> cases[] = {{kInvalidDevice, &first},
                                                   {reinterpret_cast<DeviceHandle>(closed), &second}};
  for (const auto& [device, block] : cases) {
    EXPECT_EQ(block->Start(device, 8), kErrorInvalidHandleIo);
    EXPECT_FALSE(block->done->Wait(0));
    EXPECT_FALSE(CancelIo(device));
    uint8_t out[2] = {};
    uint32_t returned = 7;
    EXPECT_FALSE(DeviceIoControl(device, 0x220012, out, 2, out, 2, returned));
    EXPECT_EQ(returned, 0u);
  }
}

TEST(DeviceIoTest, ControlCallsPassTheirBuffersAndCountBothWays) {
  PipeEnd pipe;
  pipe.Write(Pattern(24, 9));
  // A pipe answers a peek: a 16-byte header (state, bytes waiting, messages,
  // message length) and the data.
  constexpr uint32_t kPipePeek = 0x11400C;
  struct {
    ULONG State, Available, Messages, Length;
    uint8_t Data[64];
  } peek{};
  uint32_t returned = 0;
  ASSERT_TRUE(DeviceIoControl(pipe.Handle(), kPipePeek, nullptr, 0, &peek, sizeof peek, returned));
  EXPECT_EQ(returned, 16u + 24u);
  EXPECT_EQ(peek.Available, 24u);
  EXPECT_EQ(peek.Length, 24u);
  EXPECT_EQ(std::vector<uint8_t>(peek.Data, peek.Data + 24), Pattern(24, 9));

  // A pipe is no module: the module-memory request fails and returns nothing.
  const uint16_t request[4] = {1, 2, 0x400, 0};
  uint8_t word[2] = {};
  returned = 99;
  EXPECT_FALSE(DeviceIoControl(pipe.Handle(), 0x220012, request, sizeof request, word, 2, returned));
  EXPECT_EQ(returned, 0u);
}

}  // namespace
}  // namespace e14::platform
