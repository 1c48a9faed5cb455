#include <chrono>
#include <thread>

#include "sim/DriverBlock.h"
#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

using Recording = EndToEnd;
using Clock = std::chrono::steady_clock;

struct RecordPlan {
  std::vector<int16_t> table;
  float rate;
  int64_t frames;  // to take
  const char* config;
};

// Records until `frames` frames were taken (in chunks of awkward sizes),
// checking the pattern of every frame.
void RecordAndCheck(E14_140& driver, const RecordPlan& setup) {
  const int channels = static_cast<int>(setup.table.size());
  PatternChecker checker(channels);
  std::vector<int16_t> buffer(static_cast<size_t>(channels) * 7001);
  std::string what;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  int64_t taken = 0;
  while (taken < setup.frames && Clock::now() < deadline) {
    int32_t size = static_cast<int32_t>(buffer.size()) - (taken % 3 == 0 ? 1 : 0), unread = 0;
    const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
    ASSERT_EQ(size, frames * channels);
    ASSERT_TRUE(checker.Check(buffer.data(), frames, what)) << what;
    taken += frames;
    if (frames == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_GE(taken, setup.frames) << "recording stalled";
  const StreamCounterValues counters = driver.RecordingCounters();
  EXPECT_EQ(counters.FramesDropped, 0);
  EXPECT_EQ(counters.Restarts, 0);
}

TEST_F(Recording, EveryFrameArrivesWholeAndInOrder) {
  const RecordPlan setups[] = {
      {{0}, 100000.0f, 300000, "{}"},
      {{3, 0, 3}, 1000.0f, 1000, "{}"},
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 5000.0f, 20000, "{}"},
      {std::vector<int16_t>(32, 5), 3000.0f, 10000, "{}"},
      {{0}, 200000.0f, 600000, "{}"},
      {{0, 1}, 20000.0f, 40000, R"({"modules":[{"library":"both","revision":"A"}]})"},
  };
  for (const RecordPlan& setup : setups) {
    Configure(setup.config);
    SimSetSpeedUp(4.0);
    InFreshThread([&setup] {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      driver.IADC3_InputChannels(setup.table);
      driver.IADC3_Rate(setup.rate);
      ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
      AdcParams programmed{};
      ASSERT_EQ(SimLastAdcParams(0, &programmed), 1);
      EXPECT_EQ(driver.IADC3_Rate(), static_cast<float>(programmed.KadrRateKHz * 1000.0));
      EXPECT_EQ(driver.IADC3_Rate(), driver.IADC3_Rate());
      RecordAndCheck(driver, setup);
      driver.IADC3_StopRecord();
      EXPECT_FALSE(driver.IADC3_Busy());
    });
  }
}

TEST_F(Recording, BlocksCoverFortyMillisecondsAndTheTimeOutTwoBlocks) {
  struct Case {
    std::vector<int16_t> table;
    float rate;
    int32_t samples, frames;
    uint32_t timeout;
  } cases[] = {
      {{0, 1, 2}, 1000.0f, 192, 64, 1128},
      {{0}, 100000.0f, 4096, 4096, 1082},
      {std::vector<int16_t>(16, 1), 10.0f, 32, 2, 1400},
  };
  for (const Case& c : cases) {
    InFreshThread([&c] {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      driver.IADC3_InputChannels(c.table);
      driver.IADC3_Rate(c.rate);
      ASSERT_TRUE(driver.IADC3_StartRecord());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const AcquisitionEngine& engine = Selected().Engine();
      EXPECT_EQ(engine.SamplesPerRequest(), c.samples);
      EXPECT_EQ(engine.KadrsPerRequest(), c.frames);
      EXPECT_EQ(engine.TimeoutMs(), c.timeout);
      // The stand-in's Windows handle writes blocks of the size it reckons
      // from the parameters; the driver must read exactly that.
      AdcParams programmed{};
      ASSERT_EQ(SimLastAdcParams(0, &programmed), 1);
      EXPECT_EQ(sim::DriverBlockSamples(programmed.ChannelsQuantity, programmed.KadrRateKHz),
                static_cast<uint32_t>(c.samples));
      const FrameRing& ring = State().AdcInput.Ring;
      EXPECT_EQ(ring.AllocKadrs() % c.frames, 0);
      driver.IADC3_StopRecord();
    });
  }
}

// The fitted size is the one that persists: a second start with the same
// settings clears the same buffer in place.
TEST_F(Recording, HostSizedRingsGrowToWholeBlocksOnceAndAreReused) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1, 2, 3});
    driver.IADC3_InputSizeData(100000);  // 25000 frames: not a whole number of blocks
    driver.IADC3_Rate(10000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    const int32_t blocks = Selected().Engine().KadrsPerRequest();
    const int32_t frames = driver.IADC3_InputSizeKadrs();
    EXPECT_EQ(frames % blocks, 0);
    EXPECT_GE(frames, 25000);
    RecordAndCheck(driver, {{0, 1, 2, 3}, 10000.0f, 30000, "{}"});
    driver.IADC3_StopRecord();
    const int32_t samples = driver.IADC3_InputSizeData();
    const int16_t* buffer = State().AdcInput.Ring.Data();
    ASSERT_TRUE(driver.IADC3_StartRecord());
    EXPECT_EQ(driver.IADC3_InputSizeKadrs(), frames);
    EXPECT_EQ(driver.IADC3_InputSizeData(), samples);
    EXPECT_EQ(State().AdcInput.Ring.Data(), buffer) << "cleared in place, not allocated again";
    driver.IADC3_StopRecord();
  });
}

TEST_F(Recording, OverflowKeepsTheNewestFramesAndCountsWhatItDropped) {
  SimSetSpeedUp(8.0);
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0});
    driver.IADC3_InputSizeData(65536);
    driver.IADC3_Rate(100000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // far more than the ring holds
    const StreamCounterValues counters = driver.RecordingCounters();
    EXPECT_GT(counters.FramesDropped, 0);
    EXPECT_GT(counters.BlocksDropped, 0);
    const FrameArray data = driver.IADC3_InputData();
    PatternChecker checker(1);
    std::string what;
    EXPECT_TRUE(checker.Check(data.Samples.data() + 1, data.Frames - 1, what)) << what;
    driver.IADC3_StopRecord();
    const StreamCounterValues after = driver.RecordingCounters();
    int32_t unread = 0, size = 0;
    std::vector<int16_t> rest(65536);
    size = static_cast<int32_t>(rest.size());
    const int32_t tail = driver.IADC3_GetData(rest.data(), size, unread);
    // Every frame is accounted for: taken, dropped, or discarded.
    EXPECT_EQ(after.FramesDelivered, (data.Frames - 1) + tail + after.FramesDropped + after.FramesDiscarded);
  });
}

TEST_F(Recording, ANewStartNeverReadsABlockLeftFromTheRunBefore) {
  // Blocks are always due: whenever a run stops, the module has one ready.
  SimSetUnpaced(1);
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    // Each run reads blocks of another size than the one before.
    const std::vector<int16_t> tables[] = {{0, 1, 2}, {0}, {0, 1, 2}};
    for (const auto& table : tables) {
      driver.IADC3_InputChannels(table);
      driver.IADC3_Rate(10000.0f);
      ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
      const int64_t enough = 10 * Selected().Engine().KadrsPerRequest();
      const auto deadline = Clock::now() + std::chrono::seconds(10);
      while (driver.RecordingCounters().FramesDelivered < enough && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const StreamCounterValues counters = driver.RecordingCounters();
      driver.IADC3_StopRecord();
      EXPECT_GE(counters.FramesDelivered, enough);
      EXPECT_EQ(counters.ReadFailures, 0) << table.size() << " channels";
      EXPECT_EQ(counters.Restarts, 0) << table.size() << " channels";
    }
  });
}

TEST_F(Recording, UnplugTimesOutRestartsEmptyAndFlowsAgainAfterReplug) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(20000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    // Unplugged only once data flows: a worker started late would find no module.
    const auto flowing = Clock::now() + std::chrono::seconds(5);
    while (driver.RecordingCounters().FramesDelivered == 0 && Clock::now() < flowing)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(driver.RecordingCounters().FramesDelivered, 0);
    SimSetPlugged(0, 0);
    const uint32_t timeout = Selected().Engine().TimeoutMs();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout * 3);
    // The restart comes last: after the time-out, the cancel and the emptied ring.
    while (driver.RecordingCounters().Restarts == 0 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(driver.RecordingCounters().ReadTimeouts, 1);
    EXPECT_GE(driver.RecordingCounters().Restarts, 1);
    EXPECT_TRUE(driver.IADC3_Busy());
    EXPECT_EQ(driver.IADC3_InputCountKadrs(), 0);
    SimSetPlugged(0, 1);
    const int64_t before = driver.RecordingCounters().FramesDelivered;
    const auto again = Clock::now() + std::chrono::seconds(5);
    while (driver.RecordingCounters().FramesDelivered == before && Clock::now() < again)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(driver.RecordingCounters().FramesDelivered, before);
    const FrameArray data = driver.IADC3_InputData();
    PatternChecker checker(2);
    std::string what;
    EXPECT_TRUE(checker.Check(data.Samples.data() + 2, data.Frames - 1, what)) << what;
    driver.IADC3_StopRecord();
  });
}

}  // namespace
}  // namespace e14::testing
