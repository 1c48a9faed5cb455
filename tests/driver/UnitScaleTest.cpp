#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "driver/UnitScale.h"

namespace e14 {
namespace {

DacInfoRecord Dac(float unitOffset) {
  DacInfoRecord dac;
  dac.UnitScale = 409.6f;
  dac.UnitOffset = unitOffset;
  dac.ChannelMax = 2048;
  dac.ChannelMin = -2048;
  return dac;
}

// The COM face and the settings page convert with these two: a calibration
// offset dropped one way but added the other would move every level typed.
TEST(UnitScale, VoltsComeBackWithinHalfACodeWhateverTheOffset) {
  for (const float offset : {0.0f, 0.25f, -0.3f}) {
    const DacInfoRecord dac = Dac(offset);
    for (const double volts : {-4.5, -0.001, 0.0, 1.234, 4.5}) {
      const double back = DacCodeToVolts(dac, DacVoltsToCode(dac, volts));
      EXPECT_LE(std::fabs(back - volts), 0.5 / dac.UnitScale) << volts << " V, offset " << offset;
    }
  }
}

TEST(UnitScale, CodesStayWithinTheChannelLimits) {
  const DacInfoRecord dac = Dac(0.25f);
  EXPECT_EQ(DacVoltsToCode(dac, 100.0), 2048);
  EXPECT_EQ(DacVoltsToCode(dac, -100.0), -2048);
  EXPECT_EQ(DacVoltsToCode(dac, std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace e14
