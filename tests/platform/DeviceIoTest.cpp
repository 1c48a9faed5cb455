// The device-I/O contract, the same on every system against the library's
// end of that system's module handle (Support_*.cpp).
#include "platform/DeviceIo.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/platform/Support.h"

namespace e14::platform::testing {
namespace {

TEST(DeviceIoTest, TwoReadsInFlightCompleteInOrderIntoTheirOwnBuffers) {
  DevicePeer peer;
  Block first(64), second(64);
  EXPECT_EQ(first.Start(peer.Handle(), 64), kErrorIoPending);
  EXPECT_EQ(second.Start(peer.Handle(), 48), kErrorIoPending);
  EXPECT_FALSE(first.done->Wait(0));
  peer.Answer(Pattern(64, 1));
  ASSERT_TRUE(first.done->Wait(kPatienceMs));
  EXPECT_FALSE(second.done->Wait(0));
  EXPECT_EQ(first.Outcome(), std::tuple(0u, 64u, Pattern(64, 1)));

  peer.Answer(Pattern(20, 100));  // a short block ends the read short
  // Polled, not waited for: once no longer pending, its bytes and data are there.
  while (second.Result() == kErrorIoPending) std::this_thread::yield();
  EXPECT_EQ(second.Outcome(), std::tuple(0u, 20u, Filled(Pattern(20, 100), 64)));
}

TEST(DeviceIoTest, CancelFromAnotherThreadReturnsOnlyOnceEveryReadHasEndedAborted) {
  DevicePeer peer;
  Block first(32), second(32);
  ASSERT_EQ(first.Start(peer.Handle(), 32), kErrorIoPending);
  ASSERT_EQ(second.Start(peer.Handle(), 32), kErrorIoPending);
  // The reads' results are asked without waiting: both must have ended by the return.
  std::tuple<bool, uint32_t, uint32_t> atReturn;
  std::thread([&] {
    uint32_t bytes = 0;
    atReturn = {CancelIo(peer.Handle()), ReadResult(peer.Handle(), first.request, bytes),
                ReadResult(peer.Handle(), second.request, bytes)};
  }).join();
  EXPECT_EQ(atReturn, std::tuple(true, kErrorOperationAborted, kErrorOperationAborted));
  for (Block* block : {&first, &second}) {
    EXPECT_TRUE(block->done->Wait(0));
    EXPECT_EQ(block->Outcome(), std::tuple(kErrorOperationAborted, 0u, Filled({}, 32)));
  }

  // The handle goes on working after a cancel.
  Block again(8);
  EXPECT_TRUE(Started(again.Start(peer.Handle(), 8)));
  peer.Answer(Pattern(8, 5));
  ASSERT_TRUE(again.done->Wait(kPatienceMs));
  EXPECT_EQ(again.Outcome(), std::tuple(0u, 8u, Pattern(8, 5)));
  EXPECT_TRUE(CancelIo(peer.Handle()));  // nothing in flight: nothing to do
}

TEST(DeviceIoTest, AClosedLibraryEndBreaksPendingAndLaterReads) {
  DevicePeer peer;
  Block first(32), second(32), later(32);
  ASSERT_EQ(first.Start(peer.Handle(), 32), kErrorIoPending);
  ASSERT_EQ(second.Start(peer.Handle(), 32), kErrorIoPending);
  peer.Close();
  for (Block* block : {&first, &second}) {
    ASSERT_TRUE(block->done->Wait(kPatienceMs));
    EXPECT_EQ(block->Result(), kErrorBrokenPipe);
  }
  EXPECT_EQ(later.Start(peer.Handle(), 32), kErrorBrokenPipe);
  EXPECT_FALSE(later.done->Wait(0));  // refused reads never signal
}

TEST(DeviceIoTest, HandlesOfNoModuleAreRefused) {
  for (const bool foreign : {false, true}) {
    Block block(8);
    const DeviceHandle device = foreign ? ForeignHandle() : kInvalidDevice;
    EXPECT_EQ(block.Start(device, 8), kErrorInvalidHandleIo);
    EXPECT_FALSE(block.done->Wait(0));
    EXPECT_FALSE(CancelIo(device));
    const uint16_t request[4] = {1, 2, 0x400, 0};
    uint8_t word[2] = {};
    uint32_t returned = 7;
    EXPECT_FALSE(DeviceIoControl(device, 0x220012, request, sizeof request, word, 2, returned));
    EXPECT_EQ(returned, 0u);
  }
}

}  // namespace
}  // namespace e14::platform::testing
