#include "platform/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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

}  // namespace
}  // namespace e14::platform
