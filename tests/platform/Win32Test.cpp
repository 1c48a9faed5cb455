// What Windows adds to the contracts: messages longer than a read, a
// request still in flight, control calls that carry buffers both ways.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/Support.h"

namespace e14::platform::testing {
namespace {

TEST(DeviceIoWin32Test, AMessageLongerThanTheReadFillsItAndLeavesTheRestForTheNext) {
  DevicePeer pipe;
  pipe.Answer(Pattern(48, 0));
  Block head(32), tail(32);
  EXPECT_TRUE(Started(head.Start(pipe.Handle(), 32)));
  ASSERT_TRUE(head.done->Wait(kPatienceMs));
  EXPECT_EQ(head.Outcome(), std::tuple(static_cast<uint32_t>(ERROR_MORE_DATA), 32u, Pattern(32, 0)));
  EXPECT_TRUE(Started(tail.Start(pipe.Handle(), 32)));
  ASSERT_TRUE(tail.done->Wait(kPatienceMs));
  EXPECT_EQ(tail.Outcome(), std::tuple(0u, 16u, Filled(Pattern(16, 32), 32)));
}

TEST(DeviceIoWin32Test, ARequestWhoseReadIsInFlightIsNotReused) {
  DevicePeer pipe;
  Block block(16);
  ASSERT_EQ(block.Start(pipe.Handle(), 16), kErrorIoPending);
  EXPECT_EQ(block.Start(pipe.Handle(), 16), static_cast<uint32_t>(ERROR_INVALID_PARAMETER));
  pipe.Answer(Pattern(16, 3));
  ASSERT_TRUE(block.done->Wait(kPatienceMs));
  EXPECT_EQ(block.Outcome(), std::tuple(0u, 16u, Pattern(16, 3)));
  EXPECT_FALSE(block.done->Wait(0));  // one read, one completion
}

TEST(DeviceIoWin32Test, ControlCallsPassTheirBuffersAndCountBothWays) {
  DevicePeer pipe;
  pipe.Answer(Pattern(24, 9));
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
}

}  // namespace
}  // namespace e14::platform::testing
