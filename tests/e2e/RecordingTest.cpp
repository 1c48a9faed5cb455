// Recordings through the acquisition engine: streamed in blocks from a
// worker, or polled in slow mode from the host thread's messages; started
// again while reads of the run before are still in flight; made by several
// host threads at once.
#include <barrier>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/DeviceIo.h"
#include "platform/HostThread.h"
#include "sim/DriverBlock.h"
#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

using Recording = EndToEnd;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Recordings of every shape on both back-ends: each frame arrives whole and
// in order and none is lost. The engine reads blocks of whole frames and of
// 32 samples at least, covering 40 ms where they can, with a time-out of two
// blocks plus a second, and fits the ring to whole blocks.
TEST_F(Recording, EveryFrameArrivesWholeAndInOrderInBlocksOfFortyMilliseconds) {
  // Ring size 0: the default.
  struct Case { std::vector<int16_t> table; float rate; int32_t ringSamples; int64_t framesToTake; int32_t blockSamples;
                uint32_t timeoutMs; const char* config; };
  const Case cases[] = {
      {{0}, 100000.0f, 0, 300000, 4096, 1082, "{}"},
      {{3, 0, 3}, 1000.0f, 0, 1000, 192, 1128, "{}"},
      {std::vector<int16_t>(16, 1), 10.0f, 0, 8, 32, 1400, "{}"},
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 5000.0f, 0, 20000, 4096, 1102, "{}"},
      {{0, 1, 2, 3}, 10000.0f, 100000, 30000, 2048, 1102, "{}"},  // 25000 frames: not whole blocks
      {{0, 1}, 20000.0f, 0, 40000, 2048, 1102, R"({"modules":[{"library":"both","revision":"A"}]})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.table.size()) + " channels at " + std::to_string(c.rate) + " Hz");
    Configure(c.config);
    SimSetSpeedUp(4.0);
    InFreshThread([&c] {
      E14_140 driver;
      if (c.ringSamples != 0) driver.IADC3_InputSizeData(c.ringSamples);
      StartRecording(driver, c.table, c.rate);
      const AcquisitionEngine& engine = Engine();
      EXPECT_EQ(engine.SamplesPerRequest(), c.blockSamples);
      EXPECT_EQ(engine.TimeoutMs(), c.timeoutMs);
      EXPECT_EQ(State().AdcInput.Ring.AllocKadrs() % engine.KadrsPerRequest(), 0);
      EXPECT_GE(driver.IADC3_InputSizeData(), c.ringSamples);
      // The stand-in's Windows handle writes blocks of the size it reckons
      // from the parameters; the driver must read exactly that.
      AdcParams programmed{};
      ASSERT_EQ(SimLastAdcParams(0, &programmed), 1);
      EXPECT_EQ(sim::DriverBlockSamples(programmed.ChannelsQuantity, programmed.KadrRateKHz),
                static_cast<uint32_t>(c.blockSamples));
      EXPECT_EQ(driver.IADC3_Rate(), static_cast<float>(programmed.KadrRateKHz * 1000.0));

      // Taken in chunks of awkward sizes.
      const int channels = static_cast<int>(c.table.size());
      PatternChecker checker{channels};
      std::vector<int16_t> buffer(static_cast<size_t>(channels) * 7001);
      EXPECT_TRUE(Within(seconds(30), [&] {
        int32_t size = static_cast<int32_t>(buffer.size()) - (checker.seen % 3 == 0 ? 1 : 0), unread = 0;
        const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
        EXPECT_EQ(size, frames * channels);
        return !checker.Check(buffer.data(), frames) || checker.seen >= c.framesToTake;
      }));
      EXPECT_EQ(driver.RecordingCounters().FramesDropped, 0);
      EXPECT_EQ(driver.RecordingCounters().Restarts, 0);
      driver.IADC3_StopRecord();
      EXPECT_FALSE(driver.IADC3_Busy());
    });
  }
}

// When a run stops the module has a block ready; the next run, reading
// blocks of another size, must never get it.
TEST_F(Recording, ANewStartNeverReadsABlockLeftFromTheRunBefore) {
  SimSetUnpaced(1);
  InFreshThread([] {
    E14_140 driver;
    for (const std::vector<int16_t>& table : {std::vector<int16_t>{0, 1, 2}, {0}, {0, 1, 2}}) {
      SCOPED_TRACE(std::to_string(table.size()) + " channels");
      StartRecording(driver, table, 10000.0f);
      const int64_t enough = 10 * Engine().KadrsPerRequest();
      EXPECT_TRUE(Within(seconds(10), [&] { return driver.RecordingCounters().FramesDelivered >= enough; }));
      driver.IADC3_StopRecord();
      EXPECT_EQ(driver.RecordingCounters().ReadFailures, 0);
      EXPECT_EQ(driver.RecordingCounters().Restarts, 0);
    }
  });
}

// Slow mode writes frame after frame round the ring: with two frames, the
// third goes to the first place while the second is still unread. A stop
// that arrives as a message ends the polling.
TEST_F(Recording, SlowModeGoesRoundTheRingUntilAStopArrivesAsAMessage) {
  InFreshThread([] {
    E14_140 driver;
    StartRecording(driver, {0}, 0.99f);
    // Set before the first frame is polled: the poll starts from a message.
    std::string error;
    ASSERT_TRUE(State().AdcInput.Ring.Allocate(2, 1, error)) << error;

    // Takes the first frame once two are in, the rest once three are.
    const uintptr_t host = platform::CurrentThreadId();
    std::vector<int16_t> taken;
    std::function<void()> take = [&] {
      const int64_t delivered = driver.RecordingCounters().FramesDelivered;
      int16_t frames[2] = {};
      int32_t size = taken.empty() ? 1 : 2, unread = 0;
      if ((taken.empty() && delivered == 2) || delivered == 3) {
        const int32_t count = driver.IADC3_GetData(frames, size, unread);
        taken.insert(taken.end(), frames, frames + count);
      }
      if (delivered == 3) {
        driver.IADC3_StopRecord();
      } else {
        platform::PostToThread(host, take);
      }
    };
    platform::PostToThread(host, take);
    EXPECT_TRUE(Within(seconds(10), [&] {
      platform::ProcessPendingMessages();
      return !driver.IADC3_Busy();
    }));
    // The stand-in counts its single samples: 32 apart on channel 0.
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[1] - taken[0], 32);
    EXPECT_EQ(taken[2] - taken[1], 32);
  });
}

// A slow start stopped before the host thread processed a single message,
// or restarted fast by the host while the slow loop waits for its next frame
// (at 0.8 Hz a frame at about 10 ms, the next at about 1260 ms): no timer or
// loop of the slow run may poll frames in among the fast recording's, which a
// stop posted from elsewhere ends. Every frame it left in the ring is whole
// and in order, and accounted for.
TEST_F(Recording, NoSlowPollOutlivesAStopOrARestart) {
  for (const bool restartInsideLoop : {false, true}) {
    SCOPED_TRACE(restartInsideLoop ? "restarted inside the slow loop" : "stopped before its first frame");
    InFreshThread([restartInsideLoop] {
      E14_140 driver;
      StartRecording(driver, {0, 1}, restartInsideLoop ? 0.8f : 0.5f);
      if (!restartInsideLoop) {
        driver.IADC3_StopRecord();
        StartRecording(driver, {0, 1}, 10000.0f);
      }
      const uintptr_t host = platform::CurrentThreadId();
      std::thread poster([host, &driver, restartInsideLoop] {
        if (restartInsideLoop) {
          std::this_thread::sleep_for(milliseconds(200));
          platform::PostToThread(host, [&driver] {
            driver.IADC3_StopRecord();
            driver.IADC3_Rate(10000.0f);
            EXPECT_TRUE(driver.IADC3_StartRecord());
          });
        }
        std::this_thread::sleep_for(milliseconds(restartInsideLoop ? 1400 : 300));
        platform::PostToThread(host, [&driver] { driver.IADC3_StopRecord(); });
      });
      Within(seconds(7), [&] {
        platform::ProcessPendingMessages();
        return !driver.IADC3_Busy();
      });
      poster.join();
      EXPECT_FALSE(driver.IADC3_Busy());
      const FrameArray data = driver.IADC3_InputData();
      EXPECT_GT(data.Frames - 1, 1000);
      PatternChecker{2}.Check(data.Samples.data() + 2, data.Frames - 1);
      ExpectAllAccountedFor(driver, data.Frames - 1);
    });
  }
}

// Once open, the stand-in's module reads one input at a time, or one of
// each channel-table entry, and its TTL input word at every ask.
TEST_F(Recording, ImmediateReadsTakeTheInputsOfTheChannelTable) {
  Configure(R"({"modules":[{"inputs":{"XY1":{"type":"dc","value":1.0},"XY3":{"type":"dc","value":-2.0}}}]})");
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({2, 0, 18});  // 18: the zero-calibration input
    EXPECT_EQ(driver.IADC3_GetKadr(), (std::vector<int16_t>{-1600, 800, 0}));
    EXPECT_EQ(driver.IADC3_GetChannel(0), 800);
    EXPECT_EQ(driver.IADC3_GetChannel(40), 0);
    SimSetTtlIn(0, 0x0F0F);
    EXPECT_EQ(driver.IDIO_DIValue(), 0x0F0F);
  });
}

// A module that stops answering, and cancels that do not end its reads: the
// recording gives up, and the next one (with another ring geometry) runs
// while the old reads complete late into what they were given. They take
// the first 8192 samples of the new stream: whole frames of two channels.
TEST_F(Recording, ReadsThatOutliveTheirRecordingLandInMemoryStillTheirs) {
  InFreshThread([] {
    E14_140 driver;
    StartRecording(driver, {0}, 100000.0f);
    std::this_thread::sleep_for(milliseconds(100));
    ASSERT_EQ(SimSetPlugged(0, 0), 1);
    platform::LoseNextCancels(2);
    ASSERT_TRUE(Within(milliseconds(3 * Engine().TimeoutMs() + 2000), [&] { return !driver.IADC3_Busy(); }));
    platform::LoseNextCancels(0);

    driver.IADC3_InputChannels({0, 1});
    ASSERT_EQ(SimSetPlugged(0, 1), 1);
    ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
    PatternChecker checker{2};
    EXPECT_TRUE(Within(seconds(5), [&] {
      TakeAll(driver, checker);
      return checker.seen >= 20000;
    }));
    driver.IADC3_StopRecord();
  });
}

// Host threads that each own driver objects and a module, all at once:
// opening, recording, changing and saving settings, releasing. Each must see
// only its own module and its own settings (run under ThreadSanitizer too).
using Apartments = EndToEnd;

// One module per library: two threads opening at once get one each, whichever
// wins the first library's module.
constexpr const char* kTwoModules = R"({"modules":[
  {"slot":0,"serial":"APT0","library":"LUsbApi3"},
  {"slot":1,"serial":"APT1","library":"LUsbApiU"}]})";

// What was last saved for each module; rounds are separated by a barrier, so
// every release of a round has saved before the next round opens.
struct Saved {
  std::mutex lock;
  std::map<std::string, int16_t> thresholds;
};

void HostRounds(int host, int rounds, std::barrier<>& roundEnd, Saved& saved) {
  for (int round = 0; round < rounds; ++round) {
    {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test()) << driver.IADC3_LastError();
      DeviceInfoRecord& info = State().DeviceInfo;
      const std::string serial = info.SerialNumber;
      {
        std::lock_guard guard(saved.lock);
        EXPECT_EQ(info.SynchroADPorog, saved.thresholds[serial]) << serial << " round " << round;
      }
      driver.IADC3_InputChannels({0, 1});
      driver.IADC3_Rate(20000.0f);
      ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
      PatternChecker checker{2};
      while (checker.seen < 1000) {
        TakeAll(driver, checker);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      driver.IADC3_StopRecord();
      // Saved with the module's settings at release.
      info.SynchroADPorog = static_cast<int16_t>(100 * round + host);
      std::lock_guard guard(saved.lock);
      saved.thresholds[serial] = info.SynchroADPorog;
    }
    roundEnd.arrive_and_wait();
  }
}

TEST_F(Apartments, EachHostThreadKeepsItsModuleAndItsSettings) {
  Configure(kTwoModules);
  constexpr int kRounds = 6;
  Saved saved;
  std::barrier roundEnd(2);
  std::vector<std::thread> hosts;
  for (int host = 1; host <= 2; ++host)
    hosts.emplace_back([&, host] { HostRounds(host, kRounds, roundEnd, saved); });
  // Two more apartments with no module of their own keep opening and saving.
  for (int t = 0; t < 2; ++t)
    hosts.emplace_back([] {
      for (int round = 0; round < 20; ++round) {
        E14_140 driver;
        driver.IADC3_Rate(1000.0f + static_cast<float>(round));
      }
    });
  for (std::thread& host : hosts) host.join();
  EXPECT_EQ(saved.thresholds.size(), 2u);
}

}  // namespace
}  // namespace e14::testing
