#include "platform/ThreadExit.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/Sync.h"

namespace e14::platform {
namespace {

struct Note {
  std::vector<int>* order;
  int value;
};

void Record(void* note) {
  const auto* n = static_cast<Note*>(note);
  n->order->push_back(n->value);
}

TEST(ThreadExitTest, CallsRunWhenTheThreadEndsLatestFirst) {
  std::vector<int> order;
  Note first{&order, 1}, second{&order, 2};
  std::thread([&] {
    AtThreadExit(&Record, &first);
    AtThreadExit(&Record, &second);
    EXPECT_TRUE(order.empty());
  }).join();
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST(ThreadExitTest, ThreadsOfThePlatformRunTheirCallsBeforeTheyCountAsEnded) {
  std::vector<int> order;
  Note note{&order, 7};
  auto thread = CreateSuspendedThread([&] { AtThreadExit(&Record, &note); }, 8192);
  ASSERT_TRUE(thread);
  thread->Resume();
  ASSERT_TRUE(thread->Join(10000));
  EXPECT_EQ(order, (std::vector<int>{7}));
}

TEST(ThreadExitTest, ACallMayRegisterAnother) {
  std::vector<int> order;
  Note late{&order, 2};
  struct Chain {
    Note* late;
    std::vector<int>* order;
  } chain{&late, &order};
  std::thread([&] {
    AtThreadExit(
        [](void* argument) {
          auto* c = static_cast<Chain*>(argument);
          c->order->push_back(1);
          AtThreadExit(&Record, c->late);
        },
        &chain);
  }).join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace e14::platform
