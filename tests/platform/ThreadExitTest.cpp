#include "platform/ThreadExit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/Sync.h"

namespace e14::platform {
namespace {

// What the calls of an ending thread recorded; the threads of a test run one at a time.
std::vector<int> order;

void Record(void* value) { order.push_back(static_cast<int>(reinterpret_cast<intptr_t>(value))); }
void* Value(int value) { return reinterpret_cast<void*>(static_cast<intptr_t>(value)); }

// On a thread the platform made, which counts as ended only once they have run.
TEST(ThreadExitTest, CallsRunWhenTheThreadEndsLatestFirst) {
  order.clear();
  auto thread = CreateSuspendedThread(
      [] {
        AtThreadExit(&Record, Value(1));
        AtThreadExit(&Record, Value(2));
        EXPECT_TRUE(order.empty());
      },
      8192);
  ASSERT_TRUE(thread);
  thread->Resume();
  ASSERT_TRUE(thread->Join(10000));
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

// On a thread the platform did not make.
TEST(ThreadExitTest, ACallMayRegisterAnother) {
  order.clear();
  std::thread([] {
    AtThreadExit(
        [](void*) {
          order.push_back(1);
          AtThreadExit(&Record, Value(2));
        },
        nullptr);
  }).join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace e14::platform
