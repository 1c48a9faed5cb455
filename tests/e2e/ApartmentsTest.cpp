// Host threads that each own driver objects and a module, all at once:
// opening, recording, changing and saving settings, releasing. Each must see
// only its own module and its own settings (run under ThreadSanitizer too).
#include <barrier>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/E2eFixture.h"

namespace e14::testing {
namespace {

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
      PatternChecker checker(2);
      int64_t restarts = 0;
      while (checker.Seen() < 1000) {
        TakeAll(driver, checker, restarts);
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
