#include "driver/UnitScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace e14 {
namespace {

// The COM face and the settings page convert with these two: a calibration
// offset dropped one way but added the other would move every level typed.
// Codes stay within the channel's limits, and no number is code 0.
TEST(UnitScale, VoltsComeBackWithinHalfACodeAndCodesStayWithinTheLimits) {
  for (const float offset : {0.0f, 0.25f, -0.3f}) {
    DacInfoRecord dac;
    std::tie(dac.UnitScale, dac.UnitOffset, dac.ChannelMax, dac.ChannelMin) = std::tuple(409.6f, offset, 2048, -2048);
    for (const double volts : {-4.5, -0.001, 0.0, 1.234, 4.5}) {
      const double back = DacCodeToVolts(dac, DacVoltsToCode(dac, volts));
      EXPECT_LE(std::fabs(back - volts), 0.5 / dac.UnitScale) << volts << " V, offset " << offset;
    }
    EXPECT_EQ(std::tuple(DacVoltsToCode(dac, 100.0), DacVoltsToCode(dac, -100.0), DacVoltsToCode(dac, std::nan(""))),
              std::tuple(2048, -2048, 0));
  }
}

}  // namespace
}  // namespace e14
