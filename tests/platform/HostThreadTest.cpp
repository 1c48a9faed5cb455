// Each test runs on a fresh thread, so timers and posted work of one test
// never reach another.
#include "platform/HostThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/FreshThread.h"

namespace e14::platform {
namespace {

using testing::InFreshThread;

TEST(HostTimerTest, FiresOnlyFromMessageProcessingAndOncePerCall) {
  InFreshThread([] {
    int fired = 0;
    const TimerId id = SetTimer(10, [&] { ++fired; });
    EXPECT_NE(id, 0u);
    SleepMs(40);
    EXPECT_EQ(fired, 0);
    ProcessPendingMessages();
    EXPECT_EQ(fired, 1);  // several intervals passed, yet one call
    SleepMs(40);
    ProcessPendingMessages();
    EXPECT_EQ(fired, 2);  // periodic until killed
    KillTimer(id);
    SleepMs(40);
    ProcessPendingMessages();
    EXPECT_EQ(fired, 2);
  });
}

// Both are due in the same round: the kill takes effect at once, for the
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
    EXPECT_EQ(killerFired, 1);
    EXPECT_EQ(victimFired, 0);
  });
}

TEST(HostTimerTest, ACallbackMayProcessMessagesReentrantly) {
  // The shape of a long polling loop that runs inside a timer callback.
  InFreshThread([] {
    int outer = 0, inner = 0, posted = 0;
    TimerId self = 0;
    self = SetTimer(10, [&] {
      if (++outer > 1) return;  // re-entered: counted, not looped again
      const TimerId nested = SetTimer(10, [&] { ++inner; });
      PostToThread(CurrentThreadId(), [&] { ++posted; });
      for (int round = 0; round < 5; ++round) {
        SleepMs(15);
        ProcessPendingMessages();
      }
      KillTimer(nested);
      KillTimer(self);
    });
    SleepMs(20);
    ProcessPendingMessages();
    EXPECT_EQ(outer, 1);  // due again during its own loop, but not re-entered
    EXPECT_EQ(inner, 5);
    EXPECT_EQ(posted, 1);
  });
}

TEST(HostThreadTest, TimersAndPostedWorkRunOnlyOnTheirOwnThread) {
  InFreshThread([] {
    std::atomic<int> fired{0}, ran{0};
    const TimerId id = SetTimer(10, [&] { ++fired; });
    PostToThread(CurrentThreadId(), [&] { ++ran; });
    SleepMs(20);
    InFreshThread([] { ProcessPendingMessages(); });
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(ran, 0);
    ProcessPendingMessages();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(ran, 1);
    KillTimer(id);
  });
}

TEST(PostToThreadTest, WorkPostedFromAnotherThreadRunsHereInOrder) {
  InFreshThread([] {
    const uintptr_t self = CurrentThreadId();
    const auto here = std::this_thread::get_id();
    constexpr int kItems = 1000;
    std::vector<int> order;
    bool elsewhere = false;
    std::atomic<bool> allPosted{false};
    std::thread poster([&] {
      for (int i = 0; i < kItems; ++i)
        PostToThread(self, [&, i] {
          order.push_back(i);
          elsewhere = elsewhere || std::this_thread::get_id() != here;
        });
      allPosted = true;
    });
    // Processing while the other thread is still posting.
    while (!allPosted || order.size() < static_cast<size_t>(kItems)) {
      ProcessPendingMessages();
      std::this_thread::yield();
    }
    poster.join();
    ASSERT_EQ(order.size(), static_cast<size_t>(kItems));
    for (int i = 0; i < kItems; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_FALSE(elsewhere);
  });
}

TEST(PostToThreadTest, WorkThatPostsItselfAgainRunsOncePerCall) {
  InFreshThread([] {
    int runs = 0;
    std::function<void()> again = [&] {
      if (++runs < 3) PostToThread(CurrentThreadId(), again);
    };
    PostToThread(CurrentThreadId(), again);
    ProcessPendingMessages();
    EXPECT_EQ(runs, 1);
    ProcessPendingMessages();
    EXPECT_EQ(runs, 2);
  });
}

// Nothing for a thread that has ended is kept: its timers, the work it left,
// and work posted to it later.
TEST(HostThreadTest, AnEndedThreadKeepsNoTimersOrWork) {
  auto witness = std::make_shared<int>(0);
  uintptr_t ended = 0;
  InFreshThread([&ended, witness] {
    ended = CurrentThreadId();
    EXPECT_NE(SetTimer(10, [witness] { ++*witness; }), 0u);
    PostToThread(ended, [witness] { ++*witness; });
  });
  PostToThread(ended, [witness] { ++*witness; });
  EXPECT_EQ(*witness, 0);
  EXPECT_EQ(witness.use_count(), 1);
}

}  // namespace
}  // namespace e14::platform
