// What POSIX adds to the contracts: the module socket's own requests, memory
// calls beside block reads, a library that stops serving, descriptor numbers
// that come back.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/platform/Support.h"

namespace e14::platform::testing {
namespace {

constexpr uint32_t kMemoryCode = 0x220012;

bool MemoryCall(DeviceHandle device, uint16_t direction, uint16_t address, void* data, uint32_t bytes,
                uint32_t& returned) {
  const uint16_t request[4] = {1, direction, address, 0};
  return DeviceIoControl(device, kMemoryCode, request, sizeof request, data, bytes, returned);
}

TEST(DeviceIoPosixTest, EachReadAsksForItsCountAndAnOversizedReplyIsCutWithTheStreamInStep) {
  DevicePeer peer;
  Block first(40), second(40);
  EXPECT_EQ(first.Start(peer.Handle(), 32), kErrorIoPending);
  EXPECT_EQ(second.Start(peer.Handle(), 24), kErrorIoPending);
  const auto queued = peer.QueuedReads(2);
  ASSERT_EQ(queued.size(), 2u);
  EXPECT_EQ(queued[0].count, 32u);
  EXPECT_EQ(queued[1].count, 24u);
  EXPECT_NE(queued[0].id, queued[1].id);

  peer.Answer(Pattern(48, 0));
  peer.Answer(Pattern(24, 100));
  ASSERT_TRUE(first.done->Wait(kPatienceMs));
  ASSERT_TRUE(second.done->Wait(kPatienceMs));
  EXPECT_EQ(first.Outcome(), std::tuple(0u, 32u, Filled(Pattern(32, 0), 40)));
  EXPECT_EQ(second.Outcome(), std::tuple(0u, 24u, Filled(Pattern(24, 100), 40)));
}

TEST(DeviceIoPosixTest, CancelUnansweredByTheLibraryStillCompletesAndLateDataIsDropped) {
  DevicePeer peer;
  peer.IgnoreCancel();
  uint8_t word[2] = {0x34, 0x12};
  uint32_t returned = 0;
  ASSERT_TRUE(MemoryCall(peer.Handle(), 1, 0x400, word, 2, returned));
  Block storing(16), queued(16);
  storing.Start(peer.Handle(), 16);
  queued.Start(peer.Handle(), 16);
  ASSERT_EQ(peer.QueuedReads(2).size(), 2u);
  peer.AnswerInPart(Pattern(16, 1), 4);  // the driver is storing this one when cancelled

  EXPECT_TRUE(CancelIo(peer.Handle()));
  // The buffers are the caller's again, to free or reuse: nothing arriving
  // now may land in them.
  for (Block* block : {&storing, &queued}) {
    EXPECT_TRUE(block->done->Wait(0));
    EXPECT_EQ(block->request.Status, kErrorOperationAborted);
    block->data = std::vector<uint8_t>(16, 0xEE);
  }
  peer.FinishAnswer();
  peer.Answer(Pattern(16, 1));
  word[0] = 0;
  EXPECT_TRUE(MemoryCall(peer.Handle(), 2, 0x400, word, 2, returned));
  EXPECT_EQ(word[0], 0x34);
  for (Block* block : {&storing, &queued}) {
    EXPECT_EQ(block->data, std::vector<uint8_t>(16, 0xEE));
    EXPECT_FALSE(block->done->Wait(0));
  }
}

TEST(DeviceIoPosixTest, ModuleMemoryCallsGoBesideAPendingReadUntilTheLibraryCloses) {
  DevicePeer peer;
  Block block(16);
  block.Start(peer.Handle(), 16);
  ASSERT_EQ(peer.QueuedReads(1).size(), 1u);
  uint8_t written[2] = {0x5A, 0xA5}, read[2] = {}, beyond[16] = {};
  uint32_t returned = 0;
  EXPECT_TRUE(MemoryCall(peer.Handle(), 1, 0x400, written, 2, returned));
  EXPECT_TRUE(MemoryCall(peer.Handle(), 2, 0x400, read, 2, returned));
  EXPECT_EQ(std::tuple(returned, read[0], read[1]), std::tuple(2u, 0x5A, 0xA5));
  EXPECT_FALSE(MemoryCall(peer.Handle(), 2, 0xFFF8, beyond, 16, returned));  // refused by the module

  EXPECT_FALSE(block.done->Wait(0));
  peer.Answer(Pattern(16, 0));
  ASSERT_TRUE(block.done->Wait(kPatienceMs));
  EXPECT_EQ(block.request.Status, 0u);

  peer.Close();
  EXPECT_FALSE(MemoryCall(peer.Handle(), 2, 0x400, read, 2, returned));
  EXPECT_FALSE(CancelIo(peer.Handle()));
}

TEST(DeviceIoPosixTest, ControlCallsOtherThanTheMemoryRequestFailWithoutReachingTheModule) {
  DevicePeer peer;
  const struct {
    const char* what;
    uint32_t code;
    std::array<uint16_t, 4> request;
    uint32_t inBytes;
  } cases[] = {
      {"another control code", 0x220016, {1, 2, 0x400, 0}, 8},
      {"unknown direction", kMemoryCode, {1, 3, 0x400, 0}, 8},
      {"first word not 1", kMemoryCode, {0, 2, 0x400, 0}, 8},
      {"request too short", kMemoryCode, {1, 2, 0x400, 0}, 6},
  };
  for (const auto& c : cases) {
    uint8_t out[2] = {};
    uint32_t returned = 7;
    EXPECT_FALSE(DeviceIoControl(peer.Handle(), c.code, c.request.data(), c.inBytes, out, 2, returned)) << c.what;
    EXPECT_EQ(returned, 0u) << c.what;
  }
  EXPECT_EQ(peer.MemoryRequests(), 0);
}

TEST(DeviceIoPosixTest, ANewSocketReusingAClosedHandleNumberIsNotTakenForTheOldOne) {
  DevicePeer old;
  uint8_t word[2] = {};
  uint32_t returned = 0;
  ASSERT_TRUE(MemoryCall(old.Handle(), 2, 0x1080, word, 2, returned));
  const int number = static_cast<int>(old.Handle());
  old.CloseDriverEnd();  // the library closes the driver's end only
  Block closed(8);
  EXPECT_EQ(closed.Start(number, 8), kErrorInvalidHandleIo);

  DevicePeer fresh;
  ASSERT_TRUE(fresh.MoveHandleTo(number));
  EXPECT_TRUE(MemoryCall(fresh.Handle(), 2, 0x1080, word, 2, returned));
  EXPECT_EQ(fresh.MemoryRequests(), 1);
  EXPECT_EQ(old.MemoryRequests(), 1);
  // Nothing of the driver keeps the old socket open once its handle is gone.
  EXPECT_TRUE(old.WaitForDriverGone());
}

}  // namespace
}  // namespace e14::platform::testing
