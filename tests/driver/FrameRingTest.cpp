#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "driver/mTypes3.h"

namespace e14 {
namespace {

// A ring of `frames` frames of `channels` samples, and its producer: every
// sample of a frame holds the frame's number, counted from 1.
struct Ring : FrameRing {
  Ring(int16_t channels, int32_t frames) { Prepare(channels, frames); }
  void Prepare(int16_t channels, int32_t frames) {
    std::string error;
    ASSERT_TRUE(Allocate(frames, channels, error)) << error;
  }
  // Writes one block of `frames` frames at `first`.
  void Produce(int32_t first, int32_t frames) {
    int16_t* at = ReserveBlock(first, frames);
    for (int32_t f = 0; f < frames; ++f, ++sequence)
      std::fill_n(at + f * AllocChannels(), AllocChannels(), static_cast<int16_t>(sequence));
    PublishBlock(first, frames);
  }
  int32_t sequence = 1;
};

// The unread frames of a one-channel ring, in order.
std::vector<int16_t> Unread(FrameRing& ring) {
  const FrameArray taken = ring.TakeInputData({0});
  return {taken.Samples.begin() + 1, taken.Samples.end()};
}

TEST(FrameRingGeometry, FollowsRequestAndChannelCount) {
  struct Case {
    int32_t requested;
    int16_t channels;
    int32_t kadrs, data;
  } cases[] = {
      {131072, 1, 131072, 131072}, {131072, 2, 65536, 131072}, {131072, 3, 65536, 196608},
      {131072, 4, 32768, 131072},  {131072, 7, 32768, 229376}, {131072, 8, 16384, 131072},
      {131072, 32, 4096, 131072},  {500, 1, 32768, 32768},     {5000, 3, 2500, 7500},
      {100000, 4, 25000, 100000},  {-7, 2, 16384, 32768},     {1024, 1, 1024, 1024},
      {INT32_MAX, 3, 44739242, 134217726},  // clipped to 2^27 samples
  };
  for (const Case& c : cases) {
    FrameRing ring;
    const int32_t kadrs = ring.ComputeBufferSize(true, 0, c.requested, c.channels);
    EXPECT_EQ(std::tuple(kadrs, ring.SizeData()), std::tuple(c.kadrs, c.data)) << c.requested << " x " << c.channels;
  }
  // A table of no channel is sized as one channel, keeping the size it had.
  FrameRing ring;
  ring.ComputeBufferSize(true, 0, 131072, 4);
  EXPECT_EQ(ring.ComputeBufferSize(true, 0, 131072, 0), 32768);
  EXPECT_EQ(ring.SizeData(), 32768);
}

// A reset keeps the buffer, cleared, only when the geometry is the one
// allocated and no device read may still land in it; otherwise the ring
// gets a new buffer and the holder keeps the old one whole.
TEST(FrameRing, ResetReusesTheBufferOnlyForTheSameGeometryUnheld) {
  struct Case {
    int16_t channels;
    int32_t frames;
    bool held, reused;
  } cases[] = {
      {2, 16, false, true}, {2, 16, true, false}, {2, 32, false, false}, {2, 8, false, false},
      {4, 16, false, false}, {1, 16, false, false}, {1, 32, false, false},  // as many samples, other frames
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.channels << " x " << c.frames << (c.held ? " held" : ""));
    Ring ring(2, 16);
    ring.Produce(1, 4);
    const std::weak_ptr<const void> before = ring.Storage();
    const std::shared_ptr<const void> holder = c.held ? ring.Storage() : nullptr;
    ring.Prepare(c.channels, c.frames);
    EXPECT_EQ(std::tuple(ring.Storage() == before.lock(), ring.AllocKadrs(), ring.AllocChannels(), ring.Empty(),
                         ring.ReadPos(), ring.WritePos()),
              std::tuple(c.reused, c.frames, int32_t{c.channels}, true, 1, 0));
    EXPECT_EQ(std::count(ring.Data(), ring.Data() + c.channels * c.frames, int16_t{0}), c.channels * c.frames);
    if (holder) {
      EXPECT_EQ(static_cast<const int16_t*>(holder.get())[0], 1) << "the holder's buffer is whole";
    }
  }
}

// The producer's block size: a ring that holds at least two whole blocks is
// left as it is (its unread frames too, even while a read holds it); another
// grows to whole blocks, and the host-visible size stays so rounded, so the
// next start finds the geometry it allocated.
TEST(FrameRing, FitsWholeBlocksAndKeepsARingThatFits) {
  struct Case {
    int32_t frames, block, fitted;
  } cases[] = {{25000, 64, 25024}, {64, 64, 128}, {128, 64, 128}, {25024, 64, 25024}, {100, 0, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.frames << " in blocks of " << c.block);
    Ring ring(1, c.frames);
    ring.Produce(1, 2);
    const int16_t* before = ring.Data();
    const std::shared_ptr<const void> held = ring.Storage();
    std::string error;
    ASSERT_TRUE(ring.FitBlocks(c.block, 1, error));
    EXPECT_EQ(std::tuple(ring.AllocKadrs(), ring.SizeKadrs()), std::tuple(c.fitted, c.fitted));
    if (c.fitted == c.frames) {
      EXPECT_EQ(std::tuple(ring.Data(), Unread(ring)), std::tuple(before, std::vector<int16_t>{1, 2}));
    }
  }
  FrameRing ring;
  std::string error;
  EXPECT_EQ(ring.ComputeBufferSize(false, 25000, 0, 4), 25000);
  ASSERT_TRUE(ring.Reset(4, {}, error));
  ASSERT_TRUE(ring.FitBlocks(64, 4, error));
  const std::weak_ptr<const void> fitted = ring.Storage();
  EXPECT_EQ(ring.ComputeBufferSize(false, 25000, 0, 4), 25024);
  EXPECT_EQ(ring.SizeData(), 25024 * 4);
  EXPECT_EQ(ring.ComputeBufferSize(false, 25024, 0, 4), 25024);
  ASSERT_TRUE(ring.Reset(4, {}, error));
  ASSERT_TRUE(ring.FitBlocks(64, 4, error));
  EXPECT_EQ(ring.Storage(), fitted.lock());
}

// After the table changes, unread frames keep the width and the channel
// names they were recorded with; before any recording frame 0 is the table given.
TEST(FrameRing, FrameZeroNamesTheTableTheFramesWereRecordedWith) {
  FrameRing fresh;
  EXPECT_EQ(fresh.TakeInputData({5, 6}).Samples, (std::vector<int16_t>{5, 6}));
  Ring ring(3, 8);
  std::string error;
  ASSERT_TRUE(ring.Reset(3, {4, 5, 6}, error));
  ring.Produce(1, 2);
  ring.CountAvailableKadrs();
  EXPECT_EQ(ring.CountData(), 6);
  const FrameArray taken = ring.TakeInputData({9});
  EXPECT_EQ(std::tuple(taken.Channels, taken.Frames, taken.Samples[0], taken.Samples[2]), std::tuple(3, 3, 4, 6));
  const FrameArray empty = ring.TakeInputData({1});
  EXPECT_EQ(std::tuple(empty.Frames, empty.Samples), std::tuple(1, std::vector<int16_t>{4, 5, 6}));
}

// Slow mode writes one frame at a time round the ring: in a ring of two, the
// third frame goes to the first place while the second is still unread, and
// a take copies the ring's tail, then its head.
TEST(FrameRing, SingleFramesGoRoundTheRing) {
  Ring ring(1, 2);
  ring.Produce(1, 1);
  EXPECT_EQ(ring.ReadPos(), ring.WritePos());
  EXPECT_EQ(ring.CountAvailableKadrs(), 1);
  ring.Produce(2, 1);
  int16_t first = 0;
  int32_t size = 1, unread = 0;
  ASSERT_EQ(ring.TakeData(&first, size, unread), 1);
  EXPECT_EQ(std::tuple(first, unread), std::tuple(1, 1));
  ring.Produce(1, 1);
  EXPECT_EQ(std::tuple(ring.DroppedFrames(), ring.CountAvailableKadrs()), std::tuple(0, 2));
  EXPECT_EQ(Unread(ring), (std::vector<int16_t>{2, 3}));
  EXPECT_EQ(std::tuple(ring.ReadPos(), ring.CountAvailableKadrs()), std::tuple(2, 0));
}

TEST(FrameRing, TakeDataCopiesWholeFramesOnly) {
  Ring ring(4, 8);
  ring.Produce(1, 4);
  // Every take reports (frames, samples written, samples left unread).
  const auto take = [](FrameRing& from, int16_t* data, int32_t size) {
    int32_t unread = -1;
    const int32_t frames = from.TakeData(data, size, unread);
    return std::tuple(frames, size, unread);
  };
  int16_t out[10] = {};
  EXPECT_EQ(take(ring, out, 10), std::tuple(2, 8, 8));
  EXPECT_EQ(out[8], 0) << "the partial third frame was not touched";
  for (int32_t bad : {3, 0, -5}) EXPECT_EQ(take(ring, out, bad), std::tuple(0, 0, 8)) << bad;
  EXPECT_EQ(take(ring, nullptr, 100), std::tuple(0, 0, 8));
  FrameRing none;
  EXPECT_EQ(take(none, out, 9), std::tuple(0, 0, 0));
}

TEST(FrameRing, OverflowDropsTheOldestBlockOnly) {
  Ring ring(1, 8);
  for (int32_t first = 1; first <= 8; first += 2) ring.Produce(first, 2);
  ring.Produce(1, 2);  // overwrites frames 1..2 (sequence 1, 2)
  EXPECT_EQ(std::tuple(ring.DroppedFrames(), ring.CountAvailableKadrs()), std::tuple(2, 8));
  EXPECT_EQ(Unread(ring), (std::vector<int16_t>{3, 4, 5, 6, 7, 8, 9, 10}));

  // A block over every unread frame drops them all, and only them.
  Ring small(1, 4);
  small.Produce(3, 2);
  small.Produce(3, 2);
  EXPECT_EQ(small.DroppedFrames(), 2);
  EXPECT_EQ(Unread(small), (std::vector<int16_t>{3, 4}));
}

TEST(FrameRing, RestartDiscardsEverythingUnread) {
  Ring ring(1, 8);
  ring.Produce(1, 4);
  EXPECT_EQ(ring.Restart(), 4);
  EXPECT_EQ(std::tuple(ring.CountAvailableKadrs(), ring.ReadPos(), ring.WritePos()), std::tuple(0, 1, 0));
  ring.Produce(1, 2);
  EXPECT_EQ(Unread(ring), (std::vector<int16_t>{5, 6}));
}

TEST(Text, IdentificationBytesAndNumbers) {
  const uint8_t e14[] = {0, 0, 69, 49, 52, 0, 88}, ab[] = {200, 65, 66};
  EXPECT_EQ(BytesToText(e14, sizeof e14), "E14");
  EXPECT_EQ(BytesToText(ab, sizeof ab), "AB");
  EXPECT_EQ(BytesToText(nullptr, 5), "");
  const std::pair<double, double> halves[] = {{2.5, 2.0}, {3.5, 4.0}, {-2.5, -2.0}, {-409.6, -410.0}};
  for (const auto& [value, rounded] : halves) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
  // Rounded half to even, without trailing zeros, any double and any count of decimals.
  struct Case {
    double value;
    int decimals;
    const char *separator, *text;
  } cases[] = {
      {0.15625, 3, ".", "0.156"}, {2.5, 3, ",", "2,5"}, {10.0, 3, ".", "10"}, {0.625, 3, ".", "0.625"},
      {-1.25, 1, ".", "-1.2"}, {std::nan(""), 3, ".", "NaN"}, {INFINITY, 3, ".", "Infinity"},
      {-INFINITY, 3, ".", "-Infinity"}, {1e20, 3, ".", "100000000000000000000"},
      {-9.5e18, 2, ",", "-9500000000000000000"}, {12345.678, 0, ".", "12346"}, {2.5, 0, ".", "2"},
      {1.5, -2, ".", "2"}, {0.1, 40, ".", "0.1"}, {-0.0004, 3, ".", "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatNumber(c.value, c.decimals, c.separator), c.text) << c.value;
}

// A host array that cannot be made must not cost the frames, nor leave the
// take open (the producer would wait for it forever).
TEST(FrameRingInputData, AHostArrayThatCannotBeMadeLeavesTheFramesUnread) {
  Ring ring(2, 64);
  ring.Produce(1, 16);
  const auto refuse = [](int32_t, int32_t) -> int16_t* { throw std::bad_alloc(); };
  EXPECT_THROW(ring.TakeInputData({0, 1}, refuse), std::bad_alloc);
  ring.Produce(17, 48);
  EXPECT_EQ(ring.CountAvailableKadrs(), 64) << "the refused take kept its frames";
  // Overwriting frames a take holds waits for it: the refused one must be over.
  ring.Produce(1, 16);
  const FrameArray taken = ring.TakeInputData({0, 1});
  EXPECT_EQ(taken.Frames, 65);
  EXPECT_EQ(taken.Samples[2], 17) << "the 16 oldest frames made room for the newest";
}

}  // namespace
}  // namespace e14
