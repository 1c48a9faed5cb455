#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace e14::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(EventTest, ASignalIsConsumedByExactlyOneWait) {
  auto event = CreateAutoResetEvent();
  ASSERT_TRUE(event);
  event->Set();
  event->Set();  // signalling twice is still one signal
  EXPECT_TRUE(event->Wait(0));
  EXPECT_FALSE(event->Wait(0));
}

TEST(EventTest, AWaitWithoutSignalTimesOutAfterItsTime) {
  auto event = CreateAutoResetEvent();
  const auto start = Clock::now();
  EXPECT_FALSE(event->Wait(50));
  EXPECT_GE(Clock::now() - start, milliseconds(40));
}

TEST(EventTest, OneSetReleasesOnlyOneOfTwoWaiters) {
  auto event = CreateAutoResetEvent();
  std::atomic<int> released{0};
  auto waiter = [&] {
    if (event->Wait(300)) ++released;
  };
  std::thread first(waiter), second(waiter);
  event->Set();
  first.join();
  second.join();
  EXPECT_EQ(released, 1);
}

TEST(ThreadTest, TheBodyRunsOnlyAfterResume) {
  std::atomic<bool> ran{false};
  auto thread = CreateSuspendedThread([&] { ran = true; }, 8192);
  ASSERT_TRUE(thread);
  EXPECT_FALSE(thread->Join(50));
  EXPECT_FALSE(ran);
  thread->Resume();
  EXPECT_TRUE(thread->Join(10000));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(thread->Join(0));  // joining again is harmless
}

TEST(ThreadTest, DestroyingAThreadWaitsForItsBody) {
  std::atomic<bool> finished{false};
  auto thread = CreateSuspendedThread(
      [&] {
        std::this_thread::sleep_for(milliseconds(50));
        finished = true;
      },
      8192);
  thread->Resume();
  thread.reset();
  EXPECT_TRUE(finished);
}

TEST(ThreadTest, AThreadDestroyedBeforeResumeNeverRunsItsBody) {
  std::atomic<bool> ran{false};
  auto thread = CreateSuspendedThread([&] { ran = true; }, 8192);
  thread.reset();
  EXPECT_FALSE(ran);
}

TEST(ThreadDeathTest, ABodyThatDestroysItsOwnThreadObjectEndsTheProgram) {
  // It cannot wait for itself, and no thread may run on unwaited for.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        auto done = CreateAutoResetEvent();
        std::unique_ptr<Thread> thread;
        thread = CreateSuspendedThread(
            [&] {
              thread.reset();
              done->Set();
            },
            8192);
        thread->Resume();
        done->Wait(10000);
      },
      "");
}

TEST(ThreadTest, ASmallStackHintStillLeavesRoomForRealWork) {
  std::atomic<int> sum{0};
  auto thread = CreateSuspendedThread(
      [&] {
        volatile char scratch[256 * 1024];
        for (size_t i = 0; i < sizeof scratch; i += 4096) scratch[i] = 1;
        int total = 0;
        for (size_t i = 0; i < sizeof scratch; i += 4096) total += scratch[i];
        sum = total;
      },
      8192);
  thread->Resume();
  ASSERT_TRUE(thread->Join(10000));
  EXPECT_EQ(sum, 64);
}

}  // namespace
}  // namespace e14::platform
