// What the module socket adds to the device-I/O contract: the wire's own
// requests, memory calls beside block reads, a library that stops serving,
// and descriptor numbers that come back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <thread>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/posix/WireConnection.h"
#include "tests/platform/DevicePeer.h"
#include "tests/platform/WireServer.h"

namespace e14::platform {
namespace {

using e14::testing::WireServer;
using testing::Block;
using testing::kPatienceMs;
using testing::Pattern;

constexpr uint32_t kMemoryCode = 0x220012;

bool MemoryCall(DeviceHandle device, uint16_t direction, uint16_t address, void* data,
                uint32_t bytes, uint32_t& returned) {
  const uint16_t request[4] = {1, direction, address, 0};
  return DeviceIoControl(device, kMemoryCode, request, sizeof request, data, bytes, returned);
}

TEST(DeviceIoPosixTest, EachReadAsksForItsCountAndAnOversizedReplyIsCutWithTheStreamInStep) {
  WireServer server;
  server.SetMemory(0x1080, {12, 3});
  Block first(40), second(40);
  EXPECT_EQ(first.Start(server.Handle(), 32), kErrorIoPending);
  EXPECT_EQ(second.Start(server.Handle(), 24), kErrorIoPending);
  ASSERT_TRUE(server.WaitForQueuedReads(2));
  const auto queued = server.QueuedReads();
  EXPECT_EQ(queued[0].count, 32u);
  EXPECT_EQ(queued[1].count, 24u);
  EXPECT_NE(queued[0].id, queued[1].id);

  server.AnswerOldestRead(Pattern(48, 0));
  ASSERT_TRUE(first.done->Wait(kPatienceMs));
  EXPECT_EQ(first.request.Bytes, 32u);
  EXPECT_EQ(first.data[31], 31);
  EXPECT_EQ(first.data[32], 0xEE);

  uint8_t version[2] = {};
  uint32_t returned = 0;
  EXPECT_TRUE(MemoryCall(server.Handle(), 2, 0x1080, version, 2, returned));
  EXPECT_EQ(version[0], 12);
  EXPECT_EQ(version[1], 3);
}

TEST(DeviceIoPosixTest, CancelUnansweredByTheLibraryStillCompletesAndLateDataIsDropped) {
  WireServer server;
  server.IgnoreCancel();
  server.SetMemory(0x400, {0x34, 0x12});
  Block storing(16), queued(16);
  storing.Start(server.Handle(), 16);
  queued.Start(server.Handle(), 16);
  ASSERT_TRUE(server.WaitForQueuedReads(2));
  server.AnswerOldestRead(Pattern(16, 1), 4);  // the driver is storing this one when cancelled

  EXPECT_TRUE(CancelIo(server.Handle()));
  // The buffers are the caller's again, to free or reuse: nothing arriving
  // now may land in them.
  for (Block* block : {&storing, &queued}) {
    EXPECT_TRUE(block->done->Wait(0));
    EXPECT_EQ(block->request.Status, kErrorOperationAborted);
    block->data = std::vector<uint8_t>(16, 0xEE);
  }
  server.FinishAnswer();
  server.AnswerOldestRead(Pattern(16, 1));
  uint8_t word[2] = {};
  uint32_t returned = 0;
  EXPECT_TRUE(MemoryCall(server.Handle(), 2, 0x400, word, 2, returned));
  EXPECT_EQ(word[0], 0x34);
  for (Block* block : {&storing, &queued}) {
    EXPECT_EQ(block->data, std::vector<uint8_t>(16, 0xEE));
    EXPECT_FALSE(block->done->Wait(0));
  }
}

TEST(DeviceIoPosixTest, AfterThePeerClosedMemoryCallsAndCancelFail) {
  WireServer server;
  server.Close();
  Block later(32);
  EXPECT_EQ(later.Start(server.Handle(), 32), kErrorBrokenPipe);
  uint8_t word[2] = {};
  uint32_t returned = 0;
  EXPECT_FALSE(MemoryCall(server.Handle(), 2, 0x400, word, 2, returned));
  EXPECT_FALSE(CancelIo(server.Handle()));
}

TEST(DeviceIoPosixTest, ModuleMemoryCallsWhileABlockReadIsPending) {
  WireServer server;
  Block block(16);
  block.Start(server.Handle(), 16);
  ASSERT_TRUE(server.WaitForQueuedReads(1));

  uint8_t written[2] = {0x5A, 0xA5};
  uint32_t returned = 99;
  EXPECT_TRUE(MemoryCall(server.Handle(), 1, 0x400, written, 2, returned));
  EXPECT_EQ(server.Memory(0x400, 2), (std::vector<uint8_t>{0x5A, 0xA5}));

  uint8_t read[2] = {};
  EXPECT_TRUE(MemoryCall(server.Handle(), 2, 0x400, read, 2, returned));
  EXPECT_EQ(returned, 2u);
  EXPECT_EQ(read[0], 0x5A);
  EXPECT_EQ(read[1], 0xA5);

  uint8_t beyond[16] = {};
  EXPECT_FALSE(MemoryCall(server.Handle(), 2, 0xFFF8, beyond, 16, returned));  // refused by the module

  EXPECT_FALSE(block.done->Wait(0));
  server.AnswerOldestRead(Pattern(16, 0));
  ASSERT_TRUE(block.done->Wait(kPatienceMs));
  EXPECT_EQ(block.request.Status, 0u);
}

TEST(DeviceIoPosixTest, ControlCallsOtherThanTheMemoryRequestFailWithoutReachingTheModule) {
  WireServer server;
  struct Case {
    const char* what;
    uint32_t code;
    std::array<uint16_t, 4> request;
    uint32_t inBytes;
  };
  const Case cases[] = {
      {"another control code", 0x220016, {1, 2, 0x400, 0}, 8},
      {"unknown direction", kMemoryCode, {1, 3, 0x400, 0}, 8},
      {"first word not 1", kMemoryCode, {0, 2, 0x400, 0}, 8},
      {"request too short", kMemoryCode, {1, 2, 0x400, 0}, 6},
  };
  for (const Case& c : cases) {
    uint8_t out[2] = {};
    uint32_t returned = 7;
    EXPECT_FALSE(DeviceIoControl(server.Handle(), c.code, c.request.data(), c.inBytes, out, 2, returned))
        << c.what;
    EXPECT_EQ(returned, 0u) << c.what;
  }
  EXPECT_EQ(server.MemoryRequests(), 0);
}

TEST(DeviceIoPosixTest, ANewSocketReusingAClosedHandleNumberIsNotTakenForTheOldOne) {
  WireServer old;
  old.SetMemory(0x1080, {1, 1});
  uint8_t version[2] = {};
  uint32_t returned = 0;
  ASSERT_TRUE(MemoryCall(old.Handle(), 2, 0x1080, version, 2, returned));
  const int number = static_cast<int>(old.Handle());
  old.CloseHandle();  // the library closes the driver's end only

  WireServer fresh;
  fresh.SetMemory(0x1080, {2, 2});
  ASSERT_TRUE(fresh.MoveHandleTo(number));
  ASSERT_TRUE(MemoryCall(fresh.Handle(), 2, 0x1080, version, 2, returned));
  EXPECT_EQ(version[0], 2);
  EXPECT_EQ(old.MemoryRequests(), 1);

  // Nothing of the driver keeps the old socket open once its handle is gone.
  EXPECT_TRUE(old.WaitForPeerGone());
}

TEST(DeviceIoPosixTest, ReleasingAConnectionEndsItsReaderAndItsReads) {
  WireServer server;
  const int handle = static_cast<int>(server.Handle());
  struct stat identity {};
  ASSERT_EQ(fstat(handle, &identity), 0);
  auto connection = posix::WireConnection::Open(handle, identity);
  ASSERT_TRUE(connection);
  Block block(16);
  ASSERT_EQ(connection->StartRead(block.data.data(), 16, block.request), kErrorIoPending);
  connection.reset();
  // No reader outlives its connection, so nothing can land in the buffer any more.
  EXPECT_TRUE(block.done->Wait(0));
}

TEST(DeviceIoPosixTest, WorkerReadsAndHostMemoryCallsInterleave) {
  WireServer server;
  server.AnswerReadsAtOnce();
  server.SetMemory(0x1080, {12, 3});
  constexpr int kBlocks = 300;
  constexpr uint32_t kBytes = 256;

  std::thread worker([&] {
    // Two reads in flight, as the acquisition engine keeps them.
    Block even(kBytes), odd(kBytes);
    Block* blocks[2] = {&even, &odd};
    even.Start(server.Handle(), kBytes);
    for (int n = 0; n < kBlocks; ++n) {
      if (n + 1 < kBlocks) blocks[(n + 1) % 2]->Start(server.Handle(), kBytes);
      Block& block = *blocks[n % 2];
      const bool done = block.done->Wait(kPatienceMs);
      EXPECT_TRUE(done) << "block " << n;
      EXPECT_EQ(block.request.Status, 0u) << "block " << n;
      const bool intact = block.data == std::vector<uint8_t>(kBytes, static_cast<uint8_t>(n));
      EXPECT_TRUE(intact) << "block " << n;
      if (!done || !intact) break;
      std::fill(block.data.begin(), block.data.end(), 0xEE);
    }
  });
  for (int n = 0; n < kBlocks; ++n) {
    uint8_t version[2] = {};
    uint32_t returned = 0;
    const bool read = MemoryCall(server.Handle(), 2, 0x1080, version, 2, returned);
    EXPECT_TRUE(read && version[0] == 12) << "memory read " << n;
    if (!read) break;
  }
  worker.join();
}

}  // namespace
}  // namespace e14::platform
