#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>

#include "platform/Sync.h"

namespace e14::platform {
namespace {

int NiceOfThisThread() { return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); }

TEST(ThreadPriorityTest, RaisingIsOneStepAtMostAndRestoringReturnsToTheStart) {
  // A fresh thread, so the test's own thread keeps its priority whatever happens.
  std::thread([] {
    const int normal = NiceOfThisThread();
    SetCurrentThreadAboveNormal(true);
    SetCurrentThreadAboveNormal(true);  // already raised: no second step
    const int raised = NiceOfThisThread();
    EXPECT_LE(raised, normal);  // the system may refuse, never lower it
    EXPECT_GE(raised, normal - 1);
    SetCurrentThreadAboveNormal(false);
    EXPECT_EQ(NiceOfThisThread(), normal);
  }).join();
}

}  // namespace
}  // namespace e14::platform
