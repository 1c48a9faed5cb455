// The sample stream on the module handle: order, pacing, cancel, unplug.
#include "sim/DriverBlock.h"
#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"

namespace e14::simtest {
namespace {

class Stream : public OpenModule {
 protected:
  void SetUp() override { Open(R"({"modules": [{"slot": 0}]})"); }

  // The reply to one read, which must carry `bytes` of samples.
  std::vector<int16_t> ReadBlock(uint32_t id, uint32_t bytes) {
    client_->Read(id, bytes);
    auto reply = client_->Next(2000);
    if (!reply) return {};
    EXPECT_EQ(reply->Header.kind, wire::Kind::Read);
    EXPECT_EQ(reply->Header.id, id);
    EXPECT_EQ(reply->Header.status, 0u);
    EXPECT_EQ(reply->Header.count, bytes);
    return reply->Samples();
  }
};

// Two reads in flight, 5000 frames of three positions: every sample carries
// its frame (wrapping at 2048) and position, none lost or repeated.
TEST_F(Stream, PatternKeepsOrderAndCompleteness) {
  SimSetUnpaced(1);
  Program(Params({32 + 0, 5 + 64, 32 + 31 + 192}, 100, 0.01));
  ASSERT_TRUE(device_->StartAdc());
  constexpr uint32_t kFrames = 200, kBlocks = 25;
  client_->Read(1, kFrames * 3 * 2);
  for (uint32_t block = 1; block <= kBlocks; ++block) {
    if (block < kBlocks) client_->Read(block + 1, kFrames * 3 * 2);
    auto reply = client_->Next(2000);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->Header.id, block);
    const std::vector<int16_t> samples = reply->Samples();
    ASSERT_EQ(samples.size(), kFrames * 3);
    const uint64_t frame = (block - 1) * kFrames;
    for (uint32_t i = 0; i < samples.size(); ++i)
      ASSERT_EQ(samples[i], Pattern(frame + i / 3, i % 3)) << "frame " << frame + i / 3 << " position " << i % 3;
  }
  EXPECT_EQ(SimFramesProduced(0), uint64_t{kFrames} * kBlocks);
}

TEST_F(Stream, OddReadsGetWholeSamplesAndEmptyReadsAnswerAtOnce) {
  SimSetUnpaced(1);
  Program(Params({32}, 100, 0.01));
  client_->Read(1, 0);
  auto empty = client_->Next(1000);
  ASSERT_TRUE(empty) << "not even started, an empty read completes";
  EXPECT_EQ(empty->Header.count, 0u);
  ASSERT_TRUE(device_->StartAdc());
  client_->Read(2, 7);
  auto odd = client_->Next(1000);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->Samples(), (std::vector<int16_t>{Pattern(0, 0), Pattern(1, 0), Pattern(2, 0)}));
}

// Frames are due on the module's clock, sped up: a frame ends with its last
// sample, a read completes no sooner than its last frame, and the count
// produced follows the clock.
TEST_F(Stream, FramesFollowTheModuleClockTimesTheSpeedUp) {
  SimSetSpeedUp(10);
  Program(Params({32, 33, 34}, 4, 0.5));  // a frame every 4 ticks of 4 kHz: 10000 a second
  EXPECT_EQ(SimFrameTimeNs(0, 0), 0) << "before the start";
  const int64_t before = SteadyNowNs();
  ASSERT_TRUE(device_->StartAdc());
  const int64_t after = SteadyNowNs();
  // The last sample of frame 0 comes two ADC periods after the start.
  const int64_t first = SimFrameTimeNs(0, 0);
  EXPECT_GE(first, before + 50000);
  EXPECT_LE(first, after + 50000);
  EXPECT_NEAR(static_cast<double>(SimFrameTimeNs(0, 1000) - first), 1e8, 2.0);
  const std::vector<int16_t> samples = ReadBlock(1, 2000 * 3 * 2);
  ASSERT_EQ(samples.size(), 6000u);
  EXPECT_GE(SteadyNowNs(), SimFrameTimeNs(0, 1999));
  EXPECT_EQ(samples.back(), Pattern(1999, 2));
  const int64_t early = SteadyNowNs();
  const uint64_t produced = SimFramesProduced(0);
  const int64_t late = SteadyNowNs();
  EXPECT_GE(static_cast<double>(produced), static_cast<double>(early - after) * 1e-5 - 1);
  EXPECT_LE(static_cast<double>(produced), static_cast<double>(late - before) * 1e-5 + 1);
  SimSetUnpaced(1);
  EXPECT_EQ(SimFrameTimeNs(0, 5000), 0) << "unpaced frames have no time";
}

// Rates come back rounded to the module's 16 MHz clock and its 200 kHz top;
// a refused record leaves the last one.
TEST_F(Stream, ParametersAreRoundedToTheModuleClock) {
  AdcParams params = Params({32, 33, 34}, 21.05, 0.04);
  ASSERT_TRUE(device_->SetAdcParams(params));
  EXPECT_DOUBLE_EQ(params.AdcRateKHz, 8000000.0 / 380 / 1000);
  EXPECT_DOUBLE_EQ(params.InterKadrDelayMs, 1 / params.AdcRateKHz);
  EXPECT_DOUBLE_EQ(params.KadrRateKHz, params.AdcRateKHz / 3);
  AdcParams fast = Params({32}, 500, 0.001);
  ASSERT_TRUE(device_->SetAdcParams(fast));
  EXPECT_EQ(fast.AdcRateKHz, 200.0);

  AdcParams none = Params({}, 100, 0.01);
  EXPECT_FALSE(device_->SetAdcParams(none));
  EXPECT_EQ(device_->LastError(), "Invalid number of ADC channels: 0");
  AdcParams stored{};
  ASSERT_EQ(SimLastAdcParams(0, &stored), 1);
  EXPECT_EQ(stored.AdcRateKHz, 200.0);
  SimRefuseAdcParams(0, "ADC parameters rejected by the firmware");
  AdcParams refused = Params({32}, 10, 0.1);
  EXPECT_FALSE(device_->SetAdcParams(refused));
  EXPECT_EQ(device_->LastError(), "ADC parameters rejected by the firmware");
  EXPECT_EQ(refused.KadrRateKHz, 0.0);
  SimRefuseAdcParams(0, "");
  EXPECT_TRUE(device_->SetAdcParams(refused));
}

// Cancel answers every queued read at once, aborted and empty, unplugged or
// not; cancelled reads consume nothing.
TEST_F(Stream, CancelAnswersEveryQueuedReadAtOnce) {
  Program(Params({32, 33}, 100, 0.01));
  client_->Read(1, 64);
  client_->Read(2, 64);
  EXPECT_FALSE(client_->Next(100)) << "the ADC has not started";
  SimSetPlugged(0, 0);
  client_->Cancel();
  for (uint32_t id : {1u, 2u}) {
    auto reply = client_->Next(1000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Header.id, id);
    EXPECT_EQ(reply->Header.status, 995u);
    EXPECT_EQ(reply->Header.count, 0u);
  }
  SimSetPlugged(0, 1);
  SimSetUnpaced(1);
  ASSERT_TRUE(device_->StartAdc());
  EXPECT_EQ(ReadBlock(3, 4), (std::vector<int16_t>{Pattern(0, 0), Pattern(0, 1)}));
}

// Unplugged, the module's clock and reads stall and requests fail; plugged
// again, the stream goes on where it stopped.
TEST_F(Stream, UnpluggedModuleStallsUntilReplugged) {
  SimSetSpeedUp(100);
  Program(Params({32, 33}, 10, 0.1));
  ASSERT_TRUE(device_->StartAdc());
  ASSERT_EQ(ReadBlock(1, 400).size(), 200u);
  ASSERT_EQ(SimSetPlugged(0, 0), 1);
  const uint64_t held = SimFramesProduced(0);
  client_->Read(2, 400);
  EXPECT_FALSE(client_->Next(300)) << "a read on an unplugged module stalls";
  EXPECT_EQ(SimFramesProduced(0), held);
  EXPECT_EQ(client_->Memory(wire::Kind::MemoryRead, kTtlOutAddress, 2).Header.status, 1167u);
  int16_t sample = 0;
  EXPECT_FALSE(device_->AdcSample(32, sample));
  EXPECT_EQ(device_->LastError(), "The E14-140 module is not connected");

  ASSERT_EQ(SimSetPlugged(0, 1), 1);
  auto reply = client_->Next(2000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->Header.id, 2u);
  const std::vector<int16_t> samples = reply->Samples();
  ASSERT_EQ(samples.size(), 200u);
  EXPECT_EQ(samples.front(), Pattern(100, 0));
  EXPECT_EQ(samples.back(), Pattern(199, 1));
}

// The block a read of the driver asks for: a multiple of 32 samples lasting
// at least 40 ms (on the driver's float rate), at most 2^20 samples.
TEST(DriverBlock, FollowsTheDriversBlockRule) {
  struct Case {
    uint32_t channels;
    double frameRateKHz;
    uint32_t samples;
  } cases[] = {
      {3, 1.0, 192}, {1, 100.0, 4096}, {1, 200.0, 8192}, {16, 0.01, 32}, {128, 1.5625, 8192},
      {5, 0.8, 160},  // 32 frames last exactly 40 ms: long enough
      {1, 1000000.0, 1048576},
  };
  for (const Case& c : cases)
    EXPECT_EQ(sim::DriverBlockSamples(c.channels, c.frameRateKHz), c.samples) << c.channels << " @ " << c.frameRateKHz;
}

}  // namespace
}  // namespace e14::simtest
