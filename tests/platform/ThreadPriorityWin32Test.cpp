#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/Sync.h"

namespace e14::platform {
namespace {

int PriorityOfThisThread() { return GetThreadPriority(GetCurrentThread()); }

TEST(ThreadPriorityTest, RaisingIsOneStepAboveNormalAndRestoringReturnsToNormal) {
  // A fresh thread, so the test's own thread keeps its priority whatever happens.
  std::thread([] {
    ASSERT_EQ(PriorityOfThisThread(), THREAD_PRIORITY_NORMAL);
    SetCurrentThreadAboveNormal(true);
    EXPECT_EQ(PriorityOfThisThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    SetCurrentThreadAboveNormal(true);  // already raised: no second step
    EXPECT_EQ(PriorityOfThisThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    SetCurrentThreadAboveNormal(false);
    EXPECT_EQ(PriorityOfThisThread(), THREAD_PRIORITY_NORMAL);
  }).join();
}

}  // namespace
}  // namespace e14::platform
