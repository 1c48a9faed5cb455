// Recordings that end and start again: by the host, by themselves, and with
// device reads that outlive their recording. Nothing may land in memory the
// driver gave up, and the ring keeps its geometry and its frames' meaning.
#include <chrono>
#include <random>
#include <thread>

#include "platform/DeviceIo.h"
#include "tests/e2e/E2eFixture.h"
#include "tests/support/ProcessResources.h"

namespace e14::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Restart = EndToEnd;

// The stand-in's threads and handles go shortly after its module closes:
// waits (bounded) for a count to come back to `expected`.
int SettledAt(int (*count)(), int expected) {
  for (int i = 0; i < 300 && count() != expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return count();
}

// What the process keeps once the driver and the stand-in have been used
// (the settings store, the loaded libraries), counted before a test's own.
void UseOnce() {
  InFreshThread([] {
    E14_140 driver;
    driver.IADC3_Test();
  });
}

// Waits (bounded) until a recording has ended by itself.
bool EndsWithin(E14_140& driver, std::chrono::milliseconds most) {
  const auto deadline = Clock::now() + most;
  while (driver.IADC3_Busy() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return !driver.IADC3_Busy();
}

TEST_F(Restart, SelfEndedRecordingHasLetGoOfEverythingWhenBusyFalls) {
  UseOnce();
  const int threads = CountThreads();
  const int handles = CountHandles();
  InFreshThread([&] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(20000.0f);
    const int openHandles = CountHandles();
    ASSERT_EQ(SimFailStartAdc(0, 1), 1);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    ASSERT_TRUE(EndsWithin(driver, std::chrono::seconds(5)));
    EXPECT_EQ(SimAdcRunning(0), 0);
    EXPECT_EQ(CountHandles(), openHandles) << "the worker's thread and events are released as it ends";

    // Started again at once: the old worker must neither stop this ADC nor write into this ring.
    ASSERT_EQ(SimFailStartAdc(0, 0), 1);
    ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
    PatternChecker checker(2);
    int64_t restarts = 0;
    while (checker.Seen() < 2000 && driver.IADC3_Busy()) {
      TakeAll(driver, checker, restarts);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(checker.Seen(), 2000);
    EXPECT_EQ(SimAdcRunning(0), 1);
    driver.IADC3_StopRecord();
  });
  Configure("{}");  // closes what the simulated world still held for the test
  EXPECT_EQ(SettledAt(CountThreads, threads), threads);
  EXPECT_EQ(SettledAt(CountHandles, handles), handles);
}

// A module that stops answering, and cancels that do not end its reads: the
// recording gives up, and the next one (with another ring geometry) runs
// while the old reads complete late into what they were given. They take
// the first 8192 samples of the new stream: whole frames of two channels.
TEST_F(Restart, ReadsThatOutliveTheirRecordingLandInMemoryStillTheirs) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0});
    driver.IADC3_Rate(100000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(SimSetPlugged(0, 0), 1);
    platform::LoseNextCancels(2);
    const uint32_t timeoutMs = dynamic_cast<const DeviceBackend&>(*BackendAt(State().Backend)).Engine().TimeoutMs();
    ASSERT_TRUE(EndsWithin(driver, std::chrono::milliseconds(3 * timeoutMs + 2000)));
    platform::LoseNextCancels(0);

    driver.IADC3_InputChannels({0, 1});
    ASSERT_EQ(SimSetPlugged(0, 1), 1);
    ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
    PatternChecker checker(2);
    int64_t restarts = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (checker.Seen() < 20000 && Clock::now() < deadline) {
      TakeAll(driver, checker, restarts);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(checker.Seen(), 20000);
    driver.IADC3_StopRecord();
  });
}

TEST_F(Restart, UnreadFramesKeepTheirWidthAndTableAfterTheTableChanges) {
  InFreshThread([] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1, 2});
    driver.IADC3_Rate(5000.0f);
    ASSERT_TRUE(driver.IADC3_StartRecord());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    driver.IADC3_StopRecord();
    driver.IADC3_InputChannels({5});

    const int32_t frames = driver.IADC3_InputCountKadrs();
    ASSERT_GT(frames, 1);
    EXPECT_EQ(driver.IADC3_InputCountData(), 3 * frames);
    int16_t one[3];
    int32_t size = 3, unread = 0;
    EXPECT_EQ(driver.IADC3_GetData(one, size, unread), 1);
    EXPECT_EQ(unread, 3 * (frames - 1));
    EXPECT_EQ(driver.IADC3_InputCountData(), unread);
    const FrameArray rest = driver.IADC3_InputData();
    EXPECT_EQ(rest.Channels, 3);
    EXPECT_EQ(rest.Frames, frames);
    EXPECT_EQ(std::vector<int16_t>(rest.Samples.begin(), rest.Samples.begin() + 3), (std::vector<int16_t>{0, 1, 2}));
  });
}

// Random cycles of what hosts and modules do to a recording, each checked
// for whole frames in order and every frame accounted for.
TEST_F(Restart, StormOfStartsStopsUnplugsAndSelfEndedRecordings) {
  UseOnce();
  const int threads = CountThreads();
  const int handles = CountHandles();
  InFreshThread([] {
    std::mt19937 random(20261207);
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_InputChannels({0, 1});
    driver.IADC3_Rate(50000.0f);
    const auto pause = [&random] { std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000)); };
    for (int cycle = 0; cycle < 1500; ++cycle) {
      SCOPED_TRACE("cycle " + std::to_string(cycle));
      const unsigned action = random() % 4;
      if (action == 3) SimSetPlugged(0, 0);
      SimFailStartAdc(0, action == 2 ? 1 : 0);
      const bool started = driver.IADC3_StartRecord();
      ASSERT_EQ(started, action != 3) << driver.IADC3_LastError();
      if (action == 2) {
        ASSERT_TRUE(EndsWithin(driver, std::chrono::seconds(5)));
        SimFailStartAdc(0, 0);
        ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
      }
      PatternChecker checker(2);
      int64_t restarts = 0, taken = 0;
      pause();
      if (action == 1) {
        SimSetPlugged(0, 0);
        pause();
        SimSetPlugged(0, 1);
      }
      taken += TakeAll(driver, checker, restarts);
      pause();
      driver.IADC3_StopRecord();
      SimSetPlugged(0, 1);
      taken += TakeAll(driver, checker, restarts);
      const StreamCounterValues counters = driver.RecordingCounters();
      ASSERT_EQ(counters.FramesDelivered, taken + counters.FramesDropped + counters.FramesDiscarded);
      ASSERT_FALSE(driver.IADC3_Busy());
    }
  });
  Configure("{}");  // closes what the simulated world still held for the test
  EXPECT_EQ(SettledAt(CountThreads, threads), threads);
  EXPECT_EQ(SettledAt(CountHandles, handles), handles);
}

}  // namespace
}  // namespace e14::testing
