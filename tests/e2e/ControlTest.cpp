// Slow mode, host misuse, the release of a recording driver and immediate reads.
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/HostThread.h"
#include "settings/cRegistry.h"
#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

using Control = EndToEnd;
using Clock = std::chrono::steady_clock;

TEST_F(Control, SlowModePollsOneFramePerPeriodUntilAStopArrivesAsAMessage) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(0.8f);  // 1250 ms per frame
    const auto start = Clock::now();
    ASSERT_TRUE(driver.IADC3_StartRecord());
    EXPECT_TRUE(driver.IADC3_Busy());

    // Somebody else asks the host thread to stop after three frames are due.
    const uintptr_t host = platform::CurrentThreadId();
    std::thread stopper([host, &driver] {
      std::this_thread::sleep_for(std::chrono::milliseconds(2700));
      platform::PostToThread(host, [&driver] { driver.IADC3_StopRecord(); });
    });
    while (driver.IADC3_Busy() && Clock::now() - start < std::chrono::seconds(10)) {
      platform::ProcessPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stopper.join();
    EXPECT_FALSE(driver.IADC3_Busy());
    const FrameArray data = driver.IADC3_InputData();
    EXPECT_EQ(data.Frames - 1, 3);  // at about 10 ms, 1260 ms and 2510 ms
    EXPECT_EQ(data.Samples.size(), 2u * 4u);
  });
}

// Slow mode writes frame after frame round the ring: with two frames, the
// third goes to the first place while the second is still unread.
TEST_F(Control, SlowModeGoesRoundTheRing) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0});
    driver.IADC3_Rate(0.99f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
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
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (driver.IADC3_Busy() && Clock::now() < deadline) {
      platform::ProcessPendingMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The stand-in counts its single samples: 32 apart on channel 0.
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[1] - taken[0], 32);
    EXPECT_EQ(taken[2] - taken[1], 32);
  });
}

// Runs the host thread's message loop until `driver` stops recording, with a
// stop posted to it from elsewhere after `stopAfter`.
void RunHostUntilStopped(E14_140& driver, std::chrono::milliseconds stopAfter) {
  const uintptr_t host = platform::CurrentThreadId();
  std::thread stopper([host, &driver, stopAfter] {
    std::this_thread::sleep_for(stopAfter);
    platform::PostToThread(host, [&driver] { driver.IADC3_StopRecord(); });
  });
  const auto deadline = Clock::now() + stopAfter + std::chrono::seconds(5);
  while (driver.IADC3_Busy() && Clock::now() < deadline) {
    platform::ProcessPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stopper.join();
}

// Every frame a fast recording of two channels left in the ring is whole
// and in order: no frame polled by a slow-mode loop got in among them.
void ExpectOnlyStreamedFrames(E14_140& driver) {
  const FrameArray data = driver.IADC3_InputData();
  EXPECT_GT(data.Frames - 1, 1000);
  PatternChecker checker(2);
  std::string what;
  EXPECT_TRUE(checker.Check(data.Samples.data() + 2, data.Frames - 1, what)) << what;
  const StreamCounterValues counters = driver.RecordingCounters();
  EXPECT_EQ(counters.FramesDelivered, data.Frames - 1 + counters.FramesDropped + counters.FramesDiscarded);
}

TEST_F(Control, SlowStartStoppedBeforeItsFirstFrameLeavesNoTimerBehind) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(0.5f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    driver.IADC3_StopRecord();  // before the host thread processed a single message
    driver.IADC3_Rate(10000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    RunHostUntilStopped(driver, std::chrono::milliseconds(300));
    EXPECT_FALSE(driver.IADC3_Busy());
    ExpectOnlyStreamedFrames(driver);
  });
}

TEST_F(Control, RestartFromInsideTheSlowLoopEndsThatLoop) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(0.8f);  // a frame at about 10 ms, the next at about 1260 ms
    ASSERT_TRUE(driver.IADC3_StartRecord());
    // The host's restart button, pressed while the slow loop waits for its next frame.
    const uintptr_t host = platform::CurrentThreadId();
    std::thread restarter([host, &driver] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      platform::PostToThread(host, [&driver] {
        driver.IADC3_StopRecord();
        driver.IADC3_Rate(10000.0f);
        EXPECT_TRUE(driver.IADC3_StartRecord());
      });
    });
    RunHostUntilStopped(driver, std::chrono::milliseconds(1600));
    restarter.join();
    EXPECT_FALSE(driver.IADC3_Busy());
    ExpectOnlyStreamedFrames(driver);
  });
}

TEST_F(Control, HostMisuseIsIgnoredSafely) {
  SimSetSpeedUp(4.0);
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1, 2});
    driver.IADC3_Rate(10000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    EXPECT_FALSE(driver.IADC3_StartRecord());
    const float rate = driver.IADC3_Rate();
    driver.IADC3_InputChannels({5});
    driver.IADC3_Rate(10.0f);
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 3);
    EXPECT_EQ(driver.IADC3_Rate(), rate);
    driver.IADC3_InputSizeData(4096);  // accepted; the running ring keeps its geometry
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    int16_t small[5];
    int32_t size = 5, unread = 0;
    EXPECT_LE(driver.IADC3_GetData(small, size, unread), 1);
    EXPECT_EQ(size % 3, 0);
    size = 2;
    EXPECT_EQ(driver.IADC3_GetData(small, size, unread), 0);
    EXPECT_EQ(size, 0);
    const FrameArray data = driver.IADC3_InputData();
    PatternChecker checker(3);
    std::string what;
    EXPECT_TRUE(checker.Check(data.Samples.data() + 3, data.Frames - 1, what)) << what;
    driver.IADC3_StopRecord();
    driver.IADC3_StopRecord();
    EXPECT_FALSE(driver.IADC3_Busy());
  });
}

TEST_F(Control, ReleasingTheLastObjectWhileRecordingStopsAndSaves) {
  InFreshThread([] {
    {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      driver.IADC3_Rate(2500.0f);
      driver.IDIO_DOStopEnabled(true);
      driver.IDIO_DOStopValue(0x21);
      ASSERT_TRUE(driver.IADC3_StartRecord());
      const auto deadline = Clock::now() + std::chrono::seconds(2);
      while (SimAdcRunning(0) == 0 && Clock::now() < deadline)  // the worker starts the ADC
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      EXPECT_EQ(SimAdcRunning(0), 1);
    }
    EXPECT_EQ(SimAdcRunning(0), 0);
    EXPECT_EQ(SimModuleOpen(0), 0);
    EXPECT_EQ(SimTtlOut(0), 0x21);
    cRegistry reg;
    float rate = 0;
    EXPECT_TRUE(reg.ReadSingleAt(0x80000001, "Software\\Tervo\\ADC\\L-Card\\E-140\\SIM00001", "Rate", rate));
    EXPECT_EQ(rate, 2500.0f);
    int32_t stop = 0;
    EXPECT_TRUE(reg.ReadLongAt(0x80000001, "Software\\Tervo\\ADC\\L-Card\\E-140\\SIM00001", "DOStopValue", stop));
    EXPECT_EQ(stop, 0x21);
  });
}

TEST_F(Control, ImmediateReadsFollowTheChannelTable) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({2, 0});
    const auto frame = driver.IADC3_GetKadr();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), 2u);
    EXPECT_EQ(driver.IADC3_GetChannel(40), 0);
  });
}

}  // namespace
}  // namespace e14::testing
