// Every injected fault at every phase of a host's road (open, start, running,
// stop, or release while recording), each with the one outcome it must have:
// the result and message the host gets, Busy, every frame accounted for
// (taken, dropped to overflow or discarded by a restart), the frames taken
// whole and in order, and at the end the ADC stopped, the module closed and
// no thread or handle left behind.
#include <array>

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
  NotTried,               // the fault is not injected at this phase
  OpenFails,              // the module does not open; nothing starts
  NotFound,               // no module to be found: it does not open, and the message stays as it was
  StartFails,             // it opens, the start fails; nothing to read
  Records,                // the recording runs through the fault, no frame lost to it
  RecordsThroughRestart,  // reads time out and restart the ring; it flows again once the module is back
  EndsByItself,           // it starts, the worker's ADC start fails and the recording ends; a new start records
};
using enum Outcome;

// A fault, its message (AdcLastError after a failed open or start) and its
// outcome at each phase in the order of Phase; phases left out are not tried.
struct Fault { const char* name; void (*inject)(); const char* message; std::array<Outcome, 5> outcomes; };

constexpr const char* kReinstall = "Please reinstall E-140 driver (LUsbApi v3.4 is required)!";
const Fault kFaults[] = {
    {"no library", [] { SimSetLibraryPresent("LUsbApiU", 0); }, kReinstall, {OpenFails}},
    {"wrong version",
     [] { ASSERT_EQ(SimConfigure(R"({"libraries":{"LUsbApiU":{"version":"3.3"}}})"), 1) << SimConfigError(); },
     kReinstall, {OpenFails}},
    {"open failure", [] { SimFailOpen(0, "device busy"); }, "", {NotFound, Records, Records, Records, Records}},
    {"descriptor failure", [] { SimFailDescriptor(0, 1); }, "Unable to read the module descriptor",
     {OpenFails, Records, Records, Records, Records}},
    {"parameters refused", [] { SimRefuseAdcParams(0, "clock divisor rejected"); }, "clock divisor rejected",
     {OpenFails, StartFails, Records, Records, Records}},
    {"module unplugged", [] { SimSetPlugged(0, 0); }, "The E14-140 module is not connected",
     {NotFound, StartFails, RecordsThroughRestart, Records, Records}},
    {"ADC start refused", [] { SimFailStartAdc(0, 1); }, "", {NotTried, EndsByItself}},
    {"event refused", [] { platform::RefuseNextEvents(1); }, "Unable to create Event object!", {NotTried, StartFails}},
    // Both events exist when the thread is refused: they must be closed.
    {"thread refused", [] { platform::RefuseNextThreads(1); }, "Unable to create thread!", {NotTried, StartFails}},
};

// One host's road with the fault injected just before `faultPhase`.
void Road(const Fault& fault, Phase faultPhase, Outcome outcome) {
  E14_140 driver;
  if (faultPhase == Phase::Open) fault.inject();
  const bool opened = driver.IADC3_Test();
  ASSERT_EQ(opened, outcome != OpenFails && outcome != NotFound);
  if (!opened) {
    EXPECT_EQ(driver.IADC3_LastError(), outcome == NotFound ? "" : fault.message);
    EXPECT_EQ(SimModuleOpen(0), 0) << "a module that failed to open is closed again";
    EXPECT_FALSE(driver.IADC3_StartRecord());
    return;
  }
  driver.IADC3_InputChannels({0, 1});
  driver.IADC3_Rate(20000.0f);
  const int openHandles = CountHandles();
  if (faultPhase == Phase::Start) fault.inject();
  const bool started = driver.IADC3_StartRecord();
  ASSERT_EQ(started, outcome != StartFails);
  if (!started) {
    EXPECT_EQ(driver.IADC3_LastError(), fault.message);
    EXPECT_FALSE(driver.IADC3_Busy());
    EXPECT_EQ(driver.IADC3_InputCountData(), 0);
    return;
  }
  if (outcome == EndsByItself) {
    // Busy falls last: by then the worker has let go of its thread and events.
    ASSERT_TRUE(Within(milliseconds(5000), [&] { return !driver.IADC3_Busy(); }));
    EXPECT_EQ(CountHandles(), openHandles);
    EXPECT_EQ(driver.IADC3_InputData().Frames, 1) << "nothing was recorded";
    SimFailStartAdc(0, 0);
    // At once: the old worker must neither stop this ADC nor write into this ring.
    ASSERT_TRUE(driver.IADC3_StartRecord()) << driver.IADC3_LastError();
  }
  PatternChecker checker{2};
  int64_t taken = 0;
  EXPECT_TRUE(Within(milliseconds(5000), [&] { return (taken += TakeAll(driver, checker)) > 1000; }));
  EXPECT_EQ(SimAdcRunning(0), 1);
  if (faultPhase == Phase::Running) {
    // Nothing is taken now: frames left unread when a stalled read restarts
    // the ring must show up as discarded.
    fault.inject();
    const milliseconds patience(Engine().TimeoutMs() * 3);
    if (outcome == RecordsThroughRestart) {
      EXPECT_TRUE(Within(patience, [&] { return driver.RecordingCounters().Restarts > 0; }));
      EXPECT_GT(driver.RecordingCounters().ReadTimeouts, 0);
      SimSetPlugged(0, 1);
    }
    const int64_t delivered = driver.RecordingCounters().FramesDelivered;
    EXPECT_TRUE(Within(patience, [&] { return driver.RecordingCounters().FramesDelivered > delivered + 1000; }))
        << "the stream flows on";
    EXPECT_EQ(driver.RecordingCounters().Restarts > 0, outcome == RecordsThroughRestart);
    EXPECT_TRUE(driver.IADC3_Busy()) << "a running recording survives the fault";
  }
  if (faultPhase == Phase::Release) return fault.inject();  // the release stops the recording
  if (faultPhase == Phase::Stop) fault.inject();
  driver.IADC3_StopRecord();
  EXPECT_FALSE(driver.IADC3_Busy());
  EXPECT_EQ(SimAdcRunning(0), 0);
  // What was published before the stop is still there to take.
  taken += TakeAll(driver, checker);
  EXPECT_EQ(driver.IADC3_InputCountData(), 0);
  ExpectAllAccountedFor(driver, taken);
}

TEST_F(FaultMatrix, EveryFaultAtEveryPhaseHasItsOneOutcome) {
  for (const Fault& fault : kFaults) {
    for (int phase = 0; phase < 5; ++phase) {
      if (fault.outcomes[phase] == NotTried) continue;
      SCOPED_TRACE(std::string(fault.name) + " at " + kPhaseNames[phase]);
      Configure("{}");
      const int threads = CountThreads(), handles = CountHandles();
      InFreshThread([&fault, phase] { Road(fault, static_cast<Phase>(phase), fault.outcomes[phase]); });
      EXPECT_EQ(SimAdcRunning(0), 0);
      EXPECT_EQ(SimModuleOpen(0), 0);
      platform::RefuseNextEvents(0);
      platform::RefuseNextThreads(0);
      Configure("{}");  // closes what the simulated world still held for the test
      EXPECT_EQ(CountThreads(), threads) << "no thread left running";
      EXPECT_EQ(CountHandles(), handles) << "no handle left open";
    }
  }
}

}  // namespace
}  // namespace e14::testing
