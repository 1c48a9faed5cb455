// The sample stream on the module handle: order, pacing, cancel, unplug.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "sim/SimControl.h"
#include "tests/sim/SimHarness.h"
#include "tests/sim/WireClient.h"

namespace e14::simtest {
namespace {

using std::chrono::milliseconds;

class Stream : public testing::Test {
 protected:
  void SetUp() override {
    Configure(R"({"modules": [{"slot": 0}]})");
    device_ = std::make_unique<Interface>(library_);
    ASSERT_TRUE(device_->Open(0));
    client_ = std::make_unique<WireClient>(device_->Handle());
  }

  // Writes the record; the module's rates come back in it.
  void Program(AdcParams& params) { ASSERT_TRUE(device_->SetAdcParams(params)) << device_->LastError(); }
  void Program(AdcParams&& params) { Program(params); }

  // The reply to one read, which must carry `bytes` of samples.
  std::vector<int16_t> ReadBlock(uint32_t id, uint32_t bytes, int timeoutMs = 2000) {
    client_->Read(id, bytes);
    auto reply = client_->Next(timeoutMs);
    if (!reply) return {};
    EXPECT_EQ(reply->Header.kind, wire::Kind::Read);
    EXPECT_EQ(reply->Header.id, id);
    EXPECT_EQ(reply->Header.status, 0u);
    EXPECT_EQ(reply->Header.count, bytes);
    return reply->Samples();
  }

  VendorLibrary library_{"LUsbApiU"};
  std::unique_ptr<Interface> device_;
  std::unique_ptr<WireClient> client_;
};

TEST_F(Stream, PatternKeepsOrderAndCompleteness) {
  SimSetUnpaced(1);
  // Single-ended, differential and another range: all carry the pattern.
  AdcParams params = Params({32 + 0, 5 + 64, 32 + 31 + 192}, 100, 0.01);
  Program(params);
  ASSERT_TRUE(device_->StartAdc());
  constexpr uint32_t kFramesPerBlock = 200;
  constexpr uint32_t kBlocks = 25;  // 5000 frames: the frame number wraps at 2048
  uint64_t frame = 0;
  client_->Read(1, kFramesPerBlock * 3 * 2);
  for (uint32_t block = 1; block <= kBlocks; ++block) {
    if (block < kBlocks) client_->Read(block + 1, kFramesPerBlock * 3 * 2);
    auto reply = client_->Next(2000);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->Header.id, block);
    const std::vector<int16_t> samples = reply->Samples();
    ASSERT_EQ(samples.size(), kFramesPerBlock * 3);
    for (uint32_t i = 0; i < samples.size(); ++i)
      ASSERT_EQ(samples[i], Pattern(frame + i / 3, i % 3))
          << "frame " << frame + i / 3 << " position " << i % 3;
    frame += kFramesPerBlock;
  }
  EXPECT_EQ(frame, uint64_t{kFramesPerBlock} * kBlocks);
  EXPECT_EQ(SimFramesProduced(0), frame);
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

TEST_F(Stream, PacedReadsFollowTheRateTimesTheSpeedUp) {
  SimSetSpeedUp(10);
  // 1 kHz frames of one channel: 10000 frames per second at ten times speed.
  AdcParams params = Params({32}, 1, 1);
  Program(params);
  EXPECT_EQ(params.KadrRateKHz, 1.0);
  const auto before = std::chrono::steady_clock::now();
  ASSERT_TRUE(device_->StartAdc());
  const auto start = std::chrono::steady_clock::now();
  const std::vector<int16_t> samples = ReadBlock(1, 2000 * 2);
  const auto waited = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(samples.size(), 2000u);
  EXPECT_GE(waited, milliseconds(180)) << "2000 frames take 200 ms";
  EXPECT_LT(waited, milliseconds(1500));
  EXPECT_EQ(samples.back(), Pattern(1999, 0));

  std::this_thread::sleep_for(milliseconds(200));
  // Bounds from the moments just after and just before the clock started.
  const double early = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t produced = SimFramesProduced(0);
  const double late = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  EXPECT_GE(static_cast<double>(produced), early * 10000 - 1);
  EXPECT_LE(static_cast<double>(produced), late * 10000 + 1);
}

TEST_F(Stream, FrameTimesFollowTheModuleClock) {
  // Three channels, two periods of delay: a frame every 4 ticks of 4 kHz.
  Program(Params({32, 33, 34}, 4, 0.5));
  EXPECT_EQ(SimFrameTimeNs(0, 0), 0) << "before the start";
  const int64_t before = SteadyNowNs();
  ASSERT_TRUE(device_->StartAdc());
  const int64_t after = SteadyNowNs();
  const int64_t first = SimFrameTimeNs(0, 0);
  // The last sample of frame 0 comes two ADC periods after the start.
  EXPECT_GE(first, before + 500000);
  EXPECT_LE(first, after + 500000);
  EXPECT_NEAR(static_cast<double>(SimFrameTimeNs(0, 1000) - first), 1e9, 2.0);

  const std::vector<int16_t> samples = ReadBlock(1, 3 * 4 * 2);
  ASSERT_EQ(samples.size(), 12u);
  EXPECT_GE(SteadyNowNs(), SimFrameTimeNs(0, 3));

  SimSetUnpaced(1);
  EXPECT_EQ(SimFrameTimeNs(0, 5000), 0) << "unpaced frames have no time";
}

TEST_F(Stream, TheInterFrameDelayHoldsBackTheNextFrame) {
  // Three samples 0.25 ms apart, then 50 ms until the next frame.
  AdcParams params = Params({32, 33, 34}, 4, 50);
  Program(params);
  EXPECT_DOUBLE_EQ(params.KadrRateKHz, 1 / 50.5);
  ASSERT_TRUE(device_->StartAdc());
  EXPECT_EQ(ReadBlock(1, 6).size(), 3u);
  EXPECT_LT(SteadyNowNs(), SimFrameTimeNs(0, 1));
  EXPECT_EQ(ReadBlock(2, 6).size(), 3u);
  EXPECT_GE(SteadyNowNs(), SimFrameTimeNs(0, 1));
  EXPECT_EQ(SimFrameTimeNs(0, 1) - SimFrameTimeNs(0, 0), 50500000);
}

TEST_F(Stream, ParametersAreRoundedToTheModuleClock) {
  AdcParams params = Params({32, 33, 34}, 21.05, 0.04);
  Program(params);
  EXPECT_DOUBLE_EQ(params.AdcRateKHz, 8000000.0 / 380 / 1000);
  EXPECT_DOUBLE_EQ(params.InterKadrDelayMs, 1 / params.AdcRateKHz);
  EXPECT_DOUBLE_EQ(params.KadrRateKHz, params.AdcRateKHz / 3);

  AdcParams fast = Params({32}, 500, 0.001);
  Program(fast);
  EXPECT_EQ(fast.AdcRateKHz, 200.0) << "revision B tops out at 200 kHz";

  AdcParams none = Params({}, 100, 0.01);
  EXPECT_FALSE(device_->SetAdcParams(none));
  EXPECT_EQ(device_->LastError(), "Invalid number of ADC channels: 0");
  AdcParams stored{};
  ASSERT_EQ(SimLastAdcParams(0, &stored), 1);
  EXPECT_EQ(stored.AdcRateKHz, 200.0) << "a refused record leaves the last one";

  SimRefuseAdcParams(0, "ADC parameters rejected by the firmware");
  AdcParams refused = Params({32}, 10, 0.1);
  EXPECT_FALSE(device_->SetAdcParams(refused));
  EXPECT_EQ(device_->LastError(), "ADC parameters rejected by the firmware");
  EXPECT_EQ(refused.KadrRateKHz, 0.0);
  SimRefuseAdcParams(0, "");
  EXPECT_TRUE(device_->SetAdcParams(refused));
}

TEST_F(Stream, CancelAnswersEveryQueuedReadAtOnce) {
  Program(Params({32, 33}, 100, 0.01));
  client_->Read(1, 64);
  client_->Read(2, 64);
  EXPECT_FALSE(client_->Next(100)) << "the ADC has not started";
  client_->Cancel();
  for (uint32_t id : {1u, 2u}) {
    auto reply = client_->Next(1000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Header.id, id);
    EXPECT_EQ(reply->Header.status, 995u);
    EXPECT_EQ(reply->Header.count, 0u);
  }
  SimSetUnpaced(1);
  ASSERT_TRUE(device_->StartAdc());
  EXPECT_EQ(ReadBlock(3, 4), (std::vector<int16_t>{Pattern(0, 0), Pattern(0, 1)}))
      << "cancelled reads consumed nothing";
}

TEST_F(Stream, UnpluggedModuleStallsReadsUntilReplugged) {
  SimSetUnpaced(1);
  Program(Params({32, 33}, 100, 0.01));
  ASSERT_TRUE(device_->StartAdc());
  ASSERT_EQ(ReadBlock(1, 400).size(), 200u);

  ASSERT_EQ(SimSetPlugged(0, 0), 1);
  client_->Read(2, 400);
  EXPECT_FALSE(client_->Next(300)) << "a read on an unplugged module stalls";
  int16_t sample = 0;
  EXPECT_FALSE(device_->AdcSample(32, sample));
  EXPECT_EQ(device_->LastError(), "The E14-140 module is not connected");

  ASSERT_EQ(SimSetPlugged(0, 1), 1);
  auto reply = client_->Next(2000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->Header.id, 2u);
  const std::vector<int16_t> samples = reply->Samples();
  ASSERT_EQ(samples.size(), 200u);
  EXPECT_EQ(samples.front(), Pattern(100, 0)) << "the stream goes on where it stopped";
  EXPECT_EQ(samples.back(), Pattern(199, 1));
}

TEST_F(Stream, UnplugHoldsTheClockAndCancelStillAnswers) {
  SimSetSpeedUp(100);
  Program(Params({32}, 10, 0.1));
  ASSERT_TRUE(device_->StartAdc());
  std::this_thread::sleep_for(milliseconds(20));
  SimSetPlugged(0, 0);
  const uint64_t held = SimFramesProduced(0);
  EXPECT_GT(held, 0u);
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(SimFramesProduced(0), held);
  EXPECT_EQ(client_->MemoryRead(kTtlOutAddress, 2).Header.status, 1167u);

  client_->Read(5, 2);
  client_->Cancel();
  auto reply = client_->Next(1000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->Header.status, 995u);

  SimSetPlugged(0, 1);
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_GT(SimFramesProduced(0), held);
}

TEST_F(Stream, StopFreezesProductionAndCloseEndsTheConnection) {
  SimSetSpeedUp(100);
  Program(Params({32}, 10, 0.1));
  ASSERT_TRUE(device_->StartAdc());
  std::this_thread::sleep_for(milliseconds(20));
  device_->StopAdc();
  const uint64_t stopped = SimFramesProduced(0);
  std::this_thread::sleep_for(milliseconds(30));
  EXPECT_EQ(SimFramesProduced(0), stopped);
  client_->Read(1, 2 * (static_cast<uint32_t>(stopped) + 10));
  EXPECT_FALSE(client_->Next(100)) << "samples after the stop never come";

  const int64_t restart = SteadyNowNs();
  ASSERT_TRUE(device_->StartAdc());
  EXPECT_GE(SimFrameTimeNs(0, 0), restart) << "a start counts from frame 0 again";
  device_->Close();
  EXPECT_EQ(SimAdcRunning(0), 0);
}

}  // namespace
}  // namespace e14::simtest
