#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "driver/mTypes3.h"

namespace e14 {
namespace {

// Sizes `ring` to `frames` frames of `channels` samples and resets it.
void Prepare(FrameRing& ring, int16_t channels, int32_t frames) {
  std::string error;
  ASSERT_TRUE(ring.Allocate(frames, channels, error)) << error;
}

// Writes one block of frames numbered from `sequence`: a one-channel frame
// holds its number; wider frames hold the number's low and high 15 bits and
// then their exclusive or, so a torn frame shows.
void Produce(FrameRing& ring, int32_t first, int32_t frames, int16_t channels, int32_t& sequence) {
  int16_t* at = ring.ReserveBlock(first, frames);
  for (int32_t f = 0; f < frames; ++f, ++sequence) {
    int16_t* frame = at + f * channels;
    if (channels == 1) {
      frame[0] = static_cast<int16_t>(sequence);
      continue;
    }
    frame[0] = static_cast<int16_t>(sequence & 0x7FFF);
    frame[1] = static_cast<int16_t>(sequence >> 15);
    for (int16_t c = 2; c < channels; ++c) frame[c] = static_cast<int16_t>(frame[0] ^ frame[1]);
  }
  ring.PublishBlock(first, frames);
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
      {100000, 4, 25000, 100000},  {-7, 2, 16384, 32768},
  };
  for (const Case& c : cases) {
    FrameRing ring;
    int16_t channels = c.channels;
    EXPECT_EQ(ring.ComputeBufferSize(true, 0, c.requested, channels), c.kadrs) << c.requested;
    EXPECT_EQ(ring.SizeData(), c.data) << c.requested << " x " << c.channels;
  }
}

TEST(FrameRingGeometry, NoChannelIsSizedAsOne) {
  FrameRing ring;
  ring.ComputeBufferSize(true, 0, 131072, 4);
  EXPECT_EQ(ring.ComputeBufferSize(true, 0, 131072, 0), 32768);
  EXPECT_EQ(ring.SizeData(), 32768);
}

TEST(FrameRingGeometry, HugeRequestsAreClipped) {
  FrameRing ring;
  int16_t channels = 3;
  ring.ComputeBufferSize(false, INT32_MAX, 0, channels);
  EXPECT_GT(ring.SizeData(), 0);
  EXPECT_LE(static_cast<int64_t>(ring.SizeKadrs()) * 3, int64_t{1} << 27);
}

TEST(FrameRing, ResetClearsInPlaceUnlessAReadMayStillLandInTheBuffer) {
  FrameRing ring;
  Prepare(ring, 2, 16);
  int32_t sequence = 1;
  Produce(ring, 1, 4, 2, sequence);
  const int16_t* before = ring.Data();
  std::string error;
  ASSERT_TRUE(ring.Reset(2, {}, error));
  EXPECT_EQ(ring.Data(), before);
  EXPECT_EQ(std::count(ring.Data(), ring.Data() + 2 * 16, int16_t{0}), 2 * 16);
  EXPECT_TRUE(ring.Empty());
  EXPECT_EQ(ring.ReadPos(), 1);
  EXPECT_EQ(ring.WritePos(), 0);

  // A holder of the buffer (a device read that never ended) keeps it whole.
  Produce(ring, 1, 4, 2, sequence);
  const std::shared_ptr<const void> held = ring.Storage();
  ASSERT_TRUE(ring.Reset(2, {}, error));
  EXPECT_NE(ring.Data(), before);
  EXPECT_EQ(static_cast<const int16_t*>(held.get())[0], 5);
}

// The producer's block size, once named, shapes the size the host sees, so
// that the next start finds the geometry it allocated and reuses the buffer.
TEST(FrameRing, SizeFittedToBlocksPersistsAcrossStarts) {
  FrameRing ring;
  int16_t channels = 4;
  std::string error;
  EXPECT_EQ(ring.ComputeBufferSize(false, 25000, 0, channels), 25000);
  ASSERT_TRUE(ring.Reset(channels, {}, error));
  ASSERT_TRUE(ring.FitBlocks(64, channels, error));
  EXPECT_EQ(ring.SizeKadrs(), 25024);
  const int16_t* fitted = ring.Data();
  EXPECT_EQ(ring.ComputeBufferSize(false, 25000, 0, channels), 25024);
  EXPECT_EQ(ring.SizeData(), 25024 * 4);
  ASSERT_TRUE(ring.Reset(channels, {}, error));
  ASSERT_TRUE(ring.FitBlocks(64, channels, error));
  EXPECT_EQ(ring.Data(), fitted);
}

// After the table changes, unread frames keep the width and the channel
// names they were recorded with.
TEST(FrameRing, UnreadFramesKeepTheTableTheyWereRecordedWith) {
  FrameRing ring;
  Prepare(ring, 3, 8);
  std::string error;
  ASSERT_TRUE(ring.Reset(3, {4, 5, 6}, error));
  int32_t sequence = 1;
  Produce(ring, 1, 2, 3, sequence);
  ring.CountAvailableKadrs();
  EXPECT_EQ(ring.CountData(), 6);
  const FrameArray taken = ring.TakeInputData({9});
  EXPECT_EQ(taken.Channels, 3);
  EXPECT_EQ(taken.Frames, 3);
  EXPECT_EQ(std::vector<int16_t>(taken.Samples.begin(), taken.Samples.begin() + 3), (std::vector<int16_t>{4, 5, 6}));
}

TEST(FrameRing, TakesFromAnEmptyRingChangeNothing) {
  FrameRing ring;
  std::string error;
  int16_t channels = 3;
  ring.ComputeBufferSize(false, 1024, 0, channels);
  ASSERT_TRUE(ring.Reset(channels, {5, 6, 7}, error));
  const FrameArray result = ring.TakeInputData({1});
  EXPECT_EQ(result.Channels, 3);
  EXPECT_EQ(result.Frames, 1);
  EXPECT_EQ(result.Samples, (std::vector<int16_t>{5, 6, 7}));
  int16_t buffer[9];
  int32_t size = 9, unread = -1;
  EXPECT_EQ(ring.TakeData(buffer, size, unread), 0);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(unread, 0);
}

TEST(FrameRing, WrappedTakeCopiesTheTailThenTheHead) {
  // Eight one-sample frames; read position 7, write position 2.
  FrameRing ring;
  Prepare(ring, 1, 8);
  int32_t sequence = 1;
  Produce(ring, 1, 8, 1, sequence);
  int16_t sink[8];
  int32_t size = 6, unread = 0;
  ASSERT_EQ(ring.TakeData(sink, size, unread), 6);
  Produce(ring, 1, 2, 1, sequence);
  ASSERT_EQ(ring.ReadPos(), 7);
  ASSERT_EQ(ring.WritePos(), 2);
  EXPECT_EQ(ring.CountAvailableKadrs(), 4);

  int16_t out[3];
  size = 3;
  EXPECT_EQ(ring.TakeData(out, size, unread), 3);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(unread, 1);
  EXPECT_EQ(ring.ReadPos(), 2);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[1], 8);
  EXPECT_EQ(out[2], 9);
}

TEST(FrameRing, MeetingPositionsCountOneFrameUnlessEmpty) {
  FrameRing ring;
  Prepare(ring, 1, 4);
  int32_t sequence = 1;
  Produce(ring, 1, 1, 1, sequence);
  EXPECT_EQ(ring.ReadPos(), ring.WritePos());
  EXPECT_EQ(ring.CountAvailableKadrs(), 1);
  EXPECT_EQ(ring.TakeInputData({0}).Frames, 2);
  EXPECT_EQ(ring.CountAvailableKadrs(), 0);
}

TEST(FrameRing, TakeDataCopiesWholeFramesOnly) {
  FrameRing ring;
  Prepare(ring, 4, 8);
  int32_t sequence = 1;
  Produce(ring, 1, 4, 4, sequence);
  int16_t out[10] = {};
  int32_t size = 10, unread = 0;
  EXPECT_EQ(ring.TakeData(out, size, unread), 2);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(unread, 8);
  EXPECT_EQ(out[8], 0);  // the partial third frame was not touched

  size = 3;
  EXPECT_EQ(ring.TakeData(out, size, unread), 0);
  EXPECT_EQ(size, 0);
  for (int32_t bad : {0, -5}) {
    size = bad;
    EXPECT_EQ(ring.TakeData(out, size, unread), 0);
    EXPECT_EQ(size, 0);
  }
  size = 100;
  EXPECT_EQ(ring.TakeData(nullptr, size, unread), 0);
  EXPECT_EQ(unread, 8);
}

TEST(FrameRing, OverflowDropsTheOldestBlockOnly) {
  FrameRing ring;
  Prepare(ring, 1, 8);
  int32_t sequence = 1;
  for (int32_t first = 1; first <= 8; first += 2) Produce(ring, first, 2, 1, sequence);
  Produce(ring, 1, 2, 1, sequence);  // overwrites frames 1..2 (sequence 1, 2)
  EXPECT_EQ(ring.DroppedFrames(), 2);
  EXPECT_EQ(ring.CountAvailableKadrs(), 8);
  const FrameArray taken = ring.TakeInputData({0});
  ASSERT_EQ(taken.Frames, 9);
  for (int f = 1; f <= 8; ++f) EXPECT_EQ(taken.Samples[f], f + 2) << f;

  // A block over every unread frame drops them all, and only them.
  FrameRing small;
  Prepare(small, 1, 4);
  sequence = 1;
  Produce(small, 3, 2, 1, sequence);
  Produce(small, 3, 2, 1, sequence);
  EXPECT_EQ(small.DroppedFrames(), 2);
  EXPECT_EQ(small.TakeInputData({0}).Samples, (std::vector<int16_t>{0, 3, 4}));
}

TEST(FrameRing, RestartDiscardsEverythingUnread) {
  FrameRing ring;
  Prepare(ring, 1, 8);
  int32_t sequence = 1;
  Produce(ring, 1, 4, 1, sequence);
  ring.Restart();
  EXPECT_EQ(ring.CountAvailableKadrs(), 0);
  EXPECT_EQ(ring.ReadPos(), 1);
  EXPECT_EQ(ring.WritePos(), 0);
  Produce(ring, 1, 2, 1, sequence);
  EXPECT_EQ(ring.CountAvailableKadrs(), 2);
}

// A producer thread writes a counting pattern block by block while this
// thread takes frames in random sizes through both take paths. Every frame
// must arrive whole and in order; gaps only where overflow dropped frames,
// and the dropped count must explain every gap.
TEST(FrameRingConcurrency, EveryFrameArrivesWholeAndInOrder) {
  constexpr int16_t kChannels = 3;
  constexpr int32_t kBlock = 64;
  constexpr int32_t kRingFrames = kBlock * 16;
  constexpr int32_t kBlocks = 20000;
  FrameRing ring;
  Prepare(ring, kChannels, kRingFrames);

  std::atomic<bool> done{false};
  std::thread producer([&] {
    int32_t sequence = 0;
    int32_t first = 1;
    for (int32_t b = 0; b < kBlocks; ++b) {
      Produce(ring, first, kBlock, kChannels, sequence);
      first = first + kBlock > kRingFrames ? 1 : first + kBlock;
      if (b % 512 == 0) std::this_thread::yield();
    }
    done = true;
  });

  std::mt19937 random(42);
  std::vector<int16_t> buffer(kChannels * kRingFrames);
  int64_t expected = 0, received = 0, skipped = 0;
  auto check = [&](const int16_t* frames, int32_t count) {
    for (int32_t f = 0; f < count; ++f) {
      const int16_t* frame = frames + f * kChannels;
      ASSERT_EQ(frame[2], frame[0] ^ frame[1]) << "torn frame";
      const int64_t seq = frame[0] | (int64_t{frame[1]} << 15);
      ASSERT_GE(seq, expected) << "frame out of order";
      skipped += seq - expected;
      expected = seq + 1;
      ++received;
    }
  };

  while (!done || ring.CountAvailableKadrs() > 0) {
    if (random() % 2 == 0) {
      int32_t size = static_cast<int32_t>(random() % buffer.size()) + 1;
      int32_t unread = 0;
      const int32_t frames = ring.TakeData(buffer.data(), size, unread);
      ASSERT_EQ(size, frames * kChannels);
      check(buffer.data(), frames);
    } else {
      const FrameArray taken = ring.TakeInputData({0, 1, 2});
      check(taken.Samples.data() + kChannels, taken.Frames - 1);
    }
    if (random() % 64 == 0) std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
  }
  producer.join();
  EXPECT_EQ(received + ring.DroppedFrames(), int64_t{kBlocks} * kBlock);
  EXPECT_EQ(skipped, ring.DroppedFrames());
}

TEST(BytesToText, SkipsLeadingJunkAndStopsAfterText) {
  const uint8_t e14[] = {0, 0, 69, 49, 52, 0, 88};
  EXPECT_EQ(BytesToText(e14, sizeof e14), "E14");
  const uint8_t ab[] = {200, 65, 66};
  EXPECT_EQ(BytesToText(ab, sizeof ab), "AB");
  EXPECT_EQ(BytesToText(nullptr, 5), "");
}

TEST(Numbers, RoundHalfToEvenAndTextWithoutTrailingZeros) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(-409.6), -410.0);
  EXPECT_EQ(FormatNumber(0.15625, 3, "."), "0.156");
  EXPECT_EQ(FormatNumber(2.5, 3, ","), "2,5");
  EXPECT_EQ(FormatNumber(10.0, 3, "."), "10");
  EXPECT_EQ(FormatNumber(0.625, 3, "."), "0.625");
  EXPECT_EQ(FormatNumber(-1.25, 1, "."), "-1.2");
}

TEST(Numbers, TextOfAnyDoubleAndAnyCountOfDecimals) {
  EXPECT_EQ(FormatNumber(std::nan(""), 3, "."), "NaN");
  EXPECT_EQ(FormatNumber(INFINITY, 3, "."), "Infinity");
  EXPECT_EQ(FormatNumber(-INFINITY, 3, "."), "-Infinity");
  EXPECT_EQ(FormatNumber(1e20, 3, "."), "100000000000000000000");
  EXPECT_EQ(FormatNumber(-9.5e18, 2, ","), "-9500000000000000000");
  EXPECT_EQ(FormatNumber(12345.678, 0, "."), "12346");
  EXPECT_EQ(FormatNumber(2.5, 0, "."), "2");
  EXPECT_EQ(FormatNumber(1.5, -2, "."), "2");
  EXPECT_EQ(FormatNumber(0.1, 40, "."), "0.1");
  EXPECT_EQ(FormatNumber(-0.0004, 3, "."), "0");
}

// A host array that cannot be made must not cost the frames, nor leave the
// take open (the producer would wait for it forever).
TEST(FrameRingInputData, AHostArrayThatCannotBeMadeLeavesTheFramesUnread) {
  FrameRing ring;
  Prepare(ring, 2, 64);
  int32_t sequence = 0;
  Produce(ring, 1, 16, 2, sequence);
  const auto refuse = [](int32_t, int32_t) -> int16_t* { throw std::bad_alloc(); };
  EXPECT_THROW(ring.TakeInputData({0, 1}, refuse), std::bad_alloc);
  Produce(ring, 17, 48, 2, sequence);
  EXPECT_EQ(ring.CountAvailableKadrs(), 64) << "the refused take kept its frames";
  // Overwriting frames a take holds waits for it: the refused one must be over.
  Produce(ring, 1, 16, 2, sequence);
  const FrameArray taken = ring.TakeInputData({0, 1});
  EXPECT_EQ(taken.Frames, 65);
  EXPECT_EQ(taken.Samples[2], 16) << "the 16 oldest frames made room for the newest";
}

}  // namespace
}  // namespace e14
