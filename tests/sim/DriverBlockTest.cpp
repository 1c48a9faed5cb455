#include "sim/DriverBlock.h"

#include <gtest/gtest.h>

namespace e14::sim {
namespace {

TEST(DriverBlockTest, FollowsTheDriversBlockRule) {
  struct Case {
    uint32_t channels;
    double frameRateKHz;
    uint32_t samples;
  } cases[] = {
      {3, 1.0, 192},          // 3 -> 96 (a multiple of 32) -> 192 (64 ms)
      {1, 100.0, 4096},       // 40.96 ms
      {1, 200.0, 8192},
      {16, 0.01, 32},         // the first multiple of 32 already lasts 200 ms
      {128, 1.5625, 8192},    // 64 frames of 0.64 ms
      {5, 0.8, 160},          // 32 frames last exactly 40 ms: long enough
      {1, 1000000.0, 1048576},  // never past 1048576 samples, however short
  };
  for (const Case& c : cases)
    EXPECT_EQ(DriverBlockSamples(c.channels, c.frameRateKHz), c.samples) << c.channels << " @ " << c.frameRateKHz;
}

}  // namespace
}  // namespace e14::sim
