#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/platform/Support.h"

namespace e14::platform {
namespace {

TEST(EventTest, ASignalIsConsumedByExactlyOneWait) {
  auto event = CreateAutoResetEvent();
  ASSERT_TRUE(event);
  event->Set();
  event->Set();  // signalling twice is still one signal
  EXPECT_TRUE(event->Wait(0));
  EXPECT_FALSE(event->Wait(0));
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

TEST(ThreadTest, DestroyingAThreadWaitsForItsBodyOrRunsItNever) {
  std::atomic<bool> finished{false}, ran{false};
  auto resumed = CreateSuspendedThread(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        finished = true;
      },
      8192);
  resumed->Resume();
  resumed.reset();
  EXPECT_TRUE(finished);
  CreateSuspendedThread([&] { ran = true; }, 8192).reset();
  EXPECT_FALSE(ran);
}

// On a fresh thread, so the test's own keeps its priority whatever happens.
TEST(ThreadPriorityTest, RaisingIsOneStepAtMostAndRestoringReturnsToTheStart) {
  std::thread([] {
    const int normal = testing::ThreadPriority();
    SetCurrentThreadAboveNormal(true);
    SetCurrentThreadAboveNormal(true);  // already raised: no second step
    const int raised = testing::ThreadPriority();
    EXPECT_TRUE(raised == normal + 1 || (testing::kRaisingMayBeRefused && raised == normal)) << raised - normal;
    SetCurrentThreadAboveNormal(false);
    EXPECT_EQ(testing::ThreadPriority(), normal);
  }).join();
}

}  // namespace
}  // namespace e14::platform
