// Every injected fault at every phase of a host's road (open, start, running,
// stop, release): the result and message the host gets, Busy cleared, every
// frame accounted for (taken, dropped to overflow or discarded by a restart),
// the frames taken whole and in order, and no thread or handle left behind.
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/Sync.h"
#include "tests/e2e/E2eFixture.h"
#include "tests/support/ProcessResources.h"

namespace e14::testing {
namespace {

using Clock = std::chrono::steady_clock;
using FaultMatrix = EndToEnd;

enum class Phase { Open, Start, Running, Stop, Release };
const char* const kPhaseNames[] = {"open", "start", "running", "stop", "release"};

struct Fault {
  const char* name;
  std::function<void()> inject;
  // The phases where the fault can strike; library faults matter only while
  // the libraries load, creation refusals only when a start creates.
  std::vector<Phase> phases = {Phase::Open, Phase::Start, Phase::Running, Phase::Stop, Phase::Release};
  // What a start that fails of it says.
  const char* startMessage = nullptr;
};

const std::vector<Fault>& Faults() {
  static const std::vector<Fault> faults = {
      {"no library", [] { SimSetLibraryPresent("LUsbApiU", 0); }, {Phase::Open}},
      {"wrong version",
       [] {
         ASSERT_EQ(SimConfigure(R"({"libraries":{"LUsbApiU":{"version":"3.3"}}})"), 1) << SimConfigError();
       },
       {Phase::Open}},
      {"open failure", [] { SimFailOpen(0, "device busy"); }},
      {"descriptor failure", [] { SimFailDescriptor(0, 1); }},
      {"parameters refused", [] { SimRefuseAdcParams(0, "clock divisor rejected"); }, Fault{}.phases,
       "clock divisor rejected"},
      // Before opening: no module found.
      {"module unplugged", [] { SimSetPlugged(0, 0); }},
      {"event refused", [] { platform::RefuseNextEvents(1); }, {Phase::Start}, "Unable to create Event object!"},
      // Both events exist when the thread is refused: they must be closed.
      {"thread refused", [] { platform::RefuseNextThreads(1); }, {Phase::Start}, "Unable to create thread!"},
  };
  return faults;
}

// Takes everything unread, checking each frame; returns the frames taken.
int64_t TakeAll(E14_140& driver, PatternChecker& checker, int64_t& restartsSeen) {
  std::vector<int16_t> buffer(2 * 4099);
  std::string what;
  int64_t taken = 0;
  for (;;) {
    // A restart empties the ring; the stream goes on from another frame.
    const int64_t restarts = driver.RecordingCounters().Restarts;
    if (restarts != restartsSeen) checker.Resync();
    restartsSeen = restarts;
    int32_t size = static_cast<int32_t>(buffer.size()), unread = 0;
    const int32_t frames = driver.IADC3_GetData(buffer.data(), size, unread);
    EXPECT_TRUE(checker.Check(buffer.data(), frames, what)) << what;
    taken += frames;
    if (frames == 0) return taken;
  }
}

// Takes frames for a while.
int64_t TakeFor(E14_140& driver, PatternChecker& checker, int64_t& restartsSeen, std::chrono::milliseconds most) {
  int64_t taken = 0;
  const auto deadline = Clock::now() + most;
  while (Clock::now() < deadline) {
    taken += TakeAll(driver, checker, restartsSeen);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return taken;
}

// One host's road with `fault` injected just before `phase`.
void Road(const Fault& fault, Phase phase) {
  E14_140 driver;
  if (phase == Phase::Open) fault.inject();
  const bool opened = driver.IADC3_Test();
  if (phase == Phase::Open) {
    EXPECT_FALSE(opened);
    EXPECT_EQ(SimModuleOpen(0), 0) << "a module that failed to open is closed again";
    EXPECT_FALSE(driver.IADC3_StartRecord());
    EXPECT_FALSE(driver.IADC3_Busy());
    return;
  }
  ASSERT_TRUE(opened);
  driver.IADC3_InputChannels({0, 1});
  driver.IADC3_Rate(20000.0f);
  if (phase == Phase::Start) fault.inject();
  if (!driver.IADC3_StartRecord()) {
    EXPECT_FALSE(driver.IADC3_Busy());
    EXPECT_NE(driver.IADC3_LastError(), "") << "a failed start says why";
    if (fault.startMessage != nullptr) {
      EXPECT_EQ(driver.IADC3_LastError(), fault.startMessage);
    }
    return;
  }
  PatternChecker checker(2);
  int64_t restartsSeen = 0;
  int64_t taken = TakeFor(driver, checker, restartsSeen, std::chrono::milliseconds(100));
  if (phase == Phase::Running) {
    // Nothing is taken now: frames left unread when a stalled read restarts
    // the ring must show up as discarded.
    fault.inject();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const int64_t delivered = driver.RecordingCounters().FramesDelivered;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    if (driver.RecordingCounters().FramesDelivered == delivered) {
      const auto& backend = dynamic_cast<const DeviceBackend&>(*BackendAt(State().Backend));
      const auto deadline = Clock::now() + std::chrono::milliseconds(backend.Engine().TimeoutMs() * 3);
      while (driver.RecordingCounters().Restarts == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      EXPECT_GT(driver.RecordingCounters().Restarts, 0) << "a stalled read restarts the ring";
    }
    EXPECT_TRUE(driver.IADC3_Busy()) << "a running recording survives the fault";
  }
  if (phase == Phase::Stop) fault.inject();
  if (phase != Phase::Release) {
    driver.IADC3_StopRecord();
    EXPECT_FALSE(driver.IADC3_Busy());
    // What was published before the stop is still there to take.
    taken += TakeAll(driver, checker, restartsSeen);
    EXPECT_EQ(driver.IADC3_InputCountData(), 0);
    const StreamCounterValues counters = driver.RecordingCounters();
    EXPECT_EQ(counters.FramesDelivered, taken + counters.FramesDropped + counters.FramesDiscarded)
        << "every frame published is taken, dropped or discarded";
    EXPECT_GT(taken, 0);
  }
  if (phase == Phase::Release) fault.inject();
}

TEST_F(FaultMatrix, EveryFaultAtEveryPhaseLeavesTheDriverSound) {
  for (const Fault& fault : Faults()) {
    for (const Phase phase : {Phase::Open, Phase::Start, Phase::Running, Phase::Stop, Phase::Release}) {
      if (std::find(fault.phases.begin(), fault.phases.end(), phase) == fault.phases.end()) continue;
      SCOPED_TRACE(std::string(fault.name) + " at " + kPhaseNames[static_cast<int>(phase)]);
      Configure("{}");
      const int threads = CountThreads();
      const int handles = CountHandles();
      InFreshThread([&] { Road(fault, phase); });
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
