// Each test runs on a fresh thread, so timers and posted work of one test
// never reach another.
#include "platform/HostThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/FreshThread.h"

namespace e14::platform {
namespace {

using testing::InFreshThread;

// Only message processing runs what is due, once per call however long it
// waited: a timer several intervals late, work that posts itself again.
TEST(HostThreadTest, MessageProcessingRunsWhatIsDueOncePerCall) {
  InFreshThread([] {
    int fired = 0, runs = 0;
    const TimerId id = SetTimer(10, [&] { ++fired; });
    EXPECT_NE(id, 0u);
    std::function<void()> again = [&] {
      ++runs;
      PostToThread(CurrentThreadId(), again);
    };
    PostToThread(CurrentThreadId(), again);
    for (const int expected : {1, 2}) {
      SleepMs(40);
      EXPECT_EQ(std::tuple(fired, runs), std::tuple(expected - 1, expected - 1));
      ProcessPendingMessages();
      EXPECT_EQ(std::tuple(fired, runs), std::tuple(expected, expected));
    }
    KillTimer(id);
    SleepMs(40);
    ProcessPendingMessages();
    EXPECT_EQ(fired, 2);
  });
}

// Both are due in the same round: the kills take effect at once, for the
// callback's own timer as for one still to be called.
TEST(HostTimerTest, TimersKilledByACallbackDoNotFireAgain) {
  InFreshThread([] {
    int killerFired = 0, victimFired = 0;
    TimerId killer = 0, victim = 0;
    killer = SetTimer(10, [&] {
      ++killerFired;
      KillTimer(killer);
      KillTimer(victim);
    });
    victim = SetTimer(10, [&] { ++victimFired; });
    for (int round = 0; round < 3; ++round) {
      SleepMs(20);
      ProcessPendingMessages();
    }
    EXPECT_EQ(std::tuple(killerFired, victimFired), std::tuple(1, 0));
  });
}

// The shape of the slow acquisition mode: a polling loop inside a timer
// callback that processes messages.
TEST(HostTimerTest, ACallbackMayProcessMessagesButIsNotReenteredByItsOwnTimer) {
  InFreshThread([] {
    int outer = 0, inner = 0;
    const TimerId self = SetTimer(10, [&] {
      if (++outer > 1) return;
      const TimerId nested = SetTimer(10, [&] { ++inner; });
      for (int round = 0; round < 3; ++round) {
        SleepMs(15);
        ProcessPendingMessages();
      }
      KillTimer(nested);
    });
    SleepMs(20);
    ProcessPendingMessages();
    KillTimer(self);
    EXPECT_EQ(outer, 1);  // due again during its own loop
    EXPECT_EQ(inner, 3);
  });
}

// Posted from another thread while this one processes: all of it, in order,
// here; and neither timers nor posted work run on another thread.
TEST(HostThreadTest, WorkAndTimersRunInOrderOnTheirOwnThreadOnly) {
  InFreshThread([] {
    const uintptr_t self = CurrentThreadId();
    const auto here = std::this_thread::get_id();
    std::atomic<int> fired{0};
    std::vector<int> order;
    bool elsewhere = false;
    TimerId id = 0;
    id = SetTimer(10, [&] {
      ++fired;
      KillTimer(id);
    });
    std::thread poster([&] {
      for (int i = 0; i < 1000; ++i)
        PostToThread(self, [&, i] {
          order.push_back(i);
          elsewhere = elsewhere || std::this_thread::get_id() != here;
        });
    });
    SleepMs(20);
    InFreshThread([] { ProcessPendingMessages(); });
    EXPECT_EQ(fired, 0);
    while (order.size() < 1000) ProcessPendingMessages();
    poster.join();
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(fired, 1);
  });
}

// Nothing for a thread that has ended is kept: its timers, the work it left,
// and work posted to it later.
TEST(HostThreadTest, AnEndedThreadKeepsNoTimersOrWork) {
  auto witness = std::make_shared<int>(0);
  uintptr_t ended = 0;
  InFreshThread([&ended, witness] {
    ended = CurrentThreadId();
    EXPECT_NE(SetTimer(100000, [witness] { ++*witness; }), 0u);
    PostToThread(ended, [witness] { PostToThread(CurrentThreadId(), [witness] { ++*witness; }); });
    ProcessPendingMessages();  // takes the work that is left for the next call
  });
  PostToThread(ended, [witness] { ++*witness; });
  EXPECT_EQ(*witness, 0);
  EXPECT_EQ(witness.use_count(), 1);
}

}  // namespace
}  // namespace e14::platform
