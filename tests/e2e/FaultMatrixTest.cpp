// Every injected fault at every phase of a host's road (open, start, running,
// stop, or release while recording), each with the one outcome it must have:
// the result and message the host gets, Busy, every frame accounted for
// (taken, dropped to overflow or discarded by a restart), the frames taken
// whole and in order, and at the end the ADC stopped, the module closed and
// no thread or handle left behind.
#include <functional>
#include <map>

#include "platform/Sync.h"
#include "tests/e2e/E2eFixture.h"
#include "tests/support/ProcessResources.h"

namespace e14::testing {
namespace {

using FaultMatrix = EndToEnd;
using std::chrono::milliseconds;

enum class Phase { Open, Start, Running, Stop, Release };
const char* const kPhaseNames[] = {"open", "start", "running", "stop", "release"};

enum class Outcome {
  OpenFails,              // the module does not open; nothing starts
  StartFails,             // it opens, the start fails; nothing to read
  Records,                // the recording runs through the fault, no frame lost to it
  RecordsThroughRestart,  // reads time out and restart the ring; it flows again once the module is back
  EndsByItself,           // it starts, the worker's ADC start fails and the recording ends; a new start records
};

const std::map<std::string, std::function<void()>>& Faults() {
  static const std::map<std::string, std::function<void()>> faults = {
      {"no library", [] { SimSetLibraryPresent("LUsbApiU", 0); }},
      {"wrong version",
       [] { ASSERT_EQ(SimConfigure(R"({"libraries":{"LUsbApiU":{"version":"3.3"}}})"), 1) << SimConfigError(); }},
      {"open failure", [] { SimFailOpen(0, "device busy"); }},
      {"descriptor failure", [] { SimFailDescriptor(0, 1); }},
      {"parameters refused", [] { SimRefuseAdcParams(0, "clock divisor rejected"); }},
      {"module unplugged", [] { SimSetPlugged(0, 0); }},
      {"ADC start refused", [] { SimFailStartAdc(0, 1); }},
      {"event refused", [] { platform::RefuseNextEvents(1); }},
      // Both events exist when the thread is refused: they must be closed.
      {"thread refused", [] { platform::RefuseNextThreads(1); }},
  };
  return faults;
}

// The message is AdcLastError after a failed open or start.
struct Cell { const char* fault; Phase phase; Outcome outcome; const char* message; };

constexpr const char* kReinstall = "Please reinstall E-140 driver (LUsbApi v3.4 is required)!";
const Cell kCells[] = {
    {"no library", Phase::Open, Outcome::OpenFails, kReinstall},
    {"wrong version", Phase::Open, Outcome::OpenFails, kReinstall},
    // No module to be found leaves the message as it was.
    {"open failure", Phase::Open, Outcome::OpenFails, ""},
    {"open failure", Phase::Start, Outcome::Records, ""},
    {"open failure", Phase::Running, Outcome::Records, ""},
    {"open failure", Phase::Stop, Outcome::Records, ""},
    {"open failure", Phase::Release, Outcome::Records, ""},
    {"descriptor failure", Phase::Open, Outcome::OpenFails, "Unable to read the module descriptor"},
    {"descriptor failure", Phase::Start, Outcome::Records, ""},
    {"descriptor failure", Phase::Running, Outcome::Records, ""},
    {"descriptor failure", Phase::Stop, Outcome::Records, ""},
    {"descriptor failure", Phase::Release, Outcome::Records, ""},
    {"parameters refused", Phase::Open, Outcome::OpenFails, "clock divisor rejected"},
    {"parameters refused", Phase::Start, Outcome::StartFails, "clock divisor rejected"},
    {"parameters refused", Phase::Running, Outcome::Records, ""},
    {"parameters refused", Phase::Stop, Outcome::Records, ""},
    {"parameters refused", Phase::Release, Outcome::Records, ""},
    {"module unplugged", Phase::Open, Outcome::OpenFails, ""},
    {"module unplugged", Phase::Start, Outcome::StartFails, "The E14-140 module is not connected"},
    {"module unplugged", Phase::Running, Outcome::RecordsThroughRestart, ""},
    {"module unplugged", Phase::Stop, Outcome::Records, ""},
    {"module unplugged", Phase::Release, Outcome::Records, ""},
    {"ADC start refused", Phase::Start, Outcome::EndsByItself, ""},
    {"event refused", Phase::Start, Outcome::StartFails, "Unable to create Event object!"},
    {"thread refused", Phase::Start, Outcome::StartFails, "Unable to create thread!"},
};

// One host's road with the cell's fault injected just before its phase.
void Road(const Cell& cell) {
  const std::function<void()>& inject = Faults().at(cell.fault);
  const auto at = [&cell, &inject](Phase phase) {
    if (cell.phase == phase) inject();
  };
  E14_140 driver;
  at(Phase::Open);
  const bool opened = driver.IADC3_Test();
  ASSERT_EQ(opened, cell.outcome != Outcome::OpenFails);
  if (!opened) {
    EXPECT_EQ(driver.IADC3_LastError(), cell.message);
    EXPECT_EQ(SimModuleOpen(0), 0) << "a module that failed to open is closed again";
    EXPECT_FALSE(driver.IADC3_StartRecord());
    return;
  }
  driver.IADC3_InputChannels({0, 1});
  driver.IADC3_Rate(20000.0f);
  const int openHandles = CountHandles();
  at(Phase::Start);
  const bool started = driver.IADC3_StartRecord();
  ASSERT_EQ(started, cell.outcome != Outcome::StartFails);
  if (!started) {
    EXPECT_EQ(driver.IADC3_LastError(), cell.message);
    EXPECT_FALSE(driver.IADC3_Busy());
    EXPECT_EQ(driver.IADC3_InputCountData(), 0);
    return;
  }
  if (cell.outcome == Outcome::EndsByItself) {
    // Busy falls last: by then the worker has let go of its thread and events.
    ASSERT_TRUE(Within(milliseconds(5000), [&] { return !driver.IADC3_Busy(); }));
    EXPECT_EQ(CountHandles(), openHandles);
    EXPECT_EQ(driver.IADC3_InputData().Frames, 1) << "nothing was recorded";
    SimFailStartAdc(0, 0);
    // At once: the old worker must neither stop this ADC nor write into this ring.
    ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
  }
  PatternChecker checker(2);
  int64_t restartsSeen = 0, taken = 0;
  EXPECT_TRUE(Within(milliseconds(5000), [&] { return (taken += TakeAll(driver, checker, restartsSeen)) > 1000; }));
  EXPECT_EQ(SimAdcRunning(0), 1);
  if (cell.phase == Phase::Running) {
    // Nothing is taken now: frames left unread when a stalled read restarts
    // the ring must show up as discarded.
    inject();
    const milliseconds patience(Engine().TimeoutMs() * 3);
    if (cell.outcome == Outcome::RecordsThroughRestart) {
      EXPECT_TRUE(Within(patience, [&] { return driver.RecordingCounters().Restarts > 0; }));
      EXPECT_GT(driver.RecordingCounters().ReadTimeouts, 0);
      SimSetPlugged(0, 1);
    }
    const int64_t delivered = driver.RecordingCounters().FramesDelivered;
    EXPECT_TRUE(Within(patience, [&] { return driver.RecordingCounters().FramesDelivered > delivered + 1000; }))
        << "the stream flows on";
    EXPECT_EQ(driver.RecordingCounters().Restarts > 0, cell.outcome == Outcome::RecordsThroughRestart);
    EXPECT_TRUE(driver.IADC3_Busy()) << "a running recording survives the fault";
  }
  if (cell.phase == Phase::Release) return inject();  // the release stops the recording
  at(Phase::Stop);
  driver.IADC3_StopRecord();
  EXPECT_FALSE(driver.IADC3_Busy());
  EXPECT_EQ(SimAdcRunning(0), 0);
  // What was published before the stop is still there to take.
  taken += TakeAll(driver, checker, restartsSeen);
  EXPECT_EQ(driver.IADC3_InputCountData(), 0);
  ExpectAllAccountedFor(driver, taken);
}

TEST_F(FaultMatrix, EveryFaultAtEveryPhaseHasItsOneOutcome) {
  for (const Cell& cell : kCells) {
    SCOPED_TRACE(std::string(cell.fault) + " at " + kPhaseNames[static_cast<int>(cell.phase)]);
    Configure("{}");
    const int threads = CountThreads();
    const int handles = CountHandles();
    InFreshThread([&cell] { Road(cell); });
    EXPECT_EQ(SimAdcRunning(0), 0);
    EXPECT_EQ(SimModuleOpen(0), 0);
    platform::RefuseNextEvents(0);
    platform::RefuseNextThreads(0);
    Configure("{}");  // closes what the simulated world still held for the test
    EXPECT_EQ(CountThreads(), threads) << "no thread left running";
    EXPECT_EQ(CountHandles(), handles) << "no handle left open";
  }
}

}  // namespace
}  // namespace e14::testing
