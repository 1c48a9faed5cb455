#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "backend/AdcConfiguration.h"
#include "driver/DriverState.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

using testing::InFreshThread;

struct TimingCase {
  int16_t channels;
  float requested;
  float achieved;
  double adcKHz;
  double delayMs;
};

// The module's 16 MHz quartz: an 8 MHz ADC clock.
TEST(ComputeTiming, ReproducesTheModuleTimings) {
  const TimingCase cases[] = {
      {4, 1000.0f, 1000.0f, 4.0, 0.25},
      {1, 100000.0f, 100000.0f, 100.0, 0.01},
      {1, 10.0f, 10.0f, 0.16, 100.0},
      {1, 250000.0f, 100000.0f, 100.0, 0.01},
  };
  for (const TimingCase& c : cases) {
    InFreshThread([&c] {
      DriverState& s = State();
      s.DeviceInfo.ClockHz = 16000000;
      s.AdcInput.ChCount = c.channels;
      s.AdcInput.Rate = c.requested;
      AdcParams params{};
      EXPECT_EQ(ComputeTiming(params), c.achieved) << c.requested;
      EXPECT_EQ(s.AdcInput.Rate, c.achieved);
      EXPECT_DOUBLE_EQ(params.AdcRateKHz, c.adcKHz) << c.requested;
      EXPECT_DOUBLE_EQ(params.InterKadrDelayMs, c.delayMs) << c.requested;
      EXPECT_LE(c.channels * s.AdcInput.Rate, s.AdcInput.RateMax);
    });
  }
}

TEST(ComputeTiming, ThreeChannelsAt7000HzTakeTheSmallestFraction) {
  InFreshThread([] {
    DriverState& s = State();
    s.DeviceInfo.ClockHz = 16000000;
    s.AdcInput.ChCount = 3;
    s.AdcInput.Rate = 7000.0f;
    AdcParams params{};
    const float achieved = ComputeTiming(params);
    EXPECT_NEAR(params.AdcRateKHz, 8000.0 / 380.0, 1e-12);  // divisor 380
    EXPECT_NEAR(achieved, 7017.54f, 0.005f);
    EXPECT_EQ(achieved, static_cast<float>(1000.0 / (3.0 / (8000.0 / 380.0))));
  });
}

TEST(ComputeTiming, SlowRatesAndMissingClockLeaveTheRecordAlone) {
  InFreshThread([] {
    DriverState& s = State();
    s.AdcInput.ChCount = 1;
    AdcParams params{};
    std::memset(&params, 0xAB, sizeof params);
    const AdcParams before = params;
    s.DeviceInfo.ClockHz = 16000000;
    for (float rate : {0.5f, 0.0f, -3.0f, std::nanf(""), INFINITY}) {
      s.AdcInput.Rate = rate;
      const float result = ComputeTiming(params);
      EXPECT_TRUE(result == rate || (std::isnan(result) && std::isnan(rate)));
    }
    s.DeviceInfo.ClockHz = 0;
    s.AdcInput.Rate = 1000.0f;
    EXPECT_EQ(ComputeTiming(params), 1000.0f);
    EXPECT_EQ(std::memcmp(&params, &before, sizeof params), 0);
  });
}

TEST(AdcRecord, ControlTableFollowsTheChannelTable) {
  InFreshThread([] {
    DriverState& s = State();
    for (int i = 0; i < kLogicalChannels; ++i) s.DeviceInfo.ChannelCodes[i] = static_cast<int16_t>(100 + i);
    s.AdcInput.ChTable = {3, 0, 3};
    s.AdcInput.ChCount = 3;
    AdcParams params{};
    FillChannelTable(params);
    EXPECT_EQ(params.ChannelsQuantity, 3);
    EXPECT_EQ(params.ControlTable[0], 103);
    EXPECT_EQ(params.ControlTable[1], 100);
    EXPECT_EQ(params.ControlTable[2], 103);

    s.AdcInput.ChTable.assign(200, 1);  // never more than the module's table
    s.AdcInput.ChCount = 200;
    FillChannelTable(params);
    EXPECT_EQ(params.ChannelsQuantity, 128);
  });
}

TEST(AdcRecord, SynchronisationFieldsAndChannelCode) {
  InFreshThread([] {
    DeviceInfoRecord& info = State().DeviceInfo;
    info.SynchroInputMode = 3;
    info.SynchroADType = 1;
    info.SynchroADMode = 1;
    info.SynchroADPorog = -500;
    info.SynchroADChannel = 2;
    info.SynchroADRange = 2;
    info.ChannelMap[2] = {5, true};
    AdcParams params{};
    params.Mode = 7;
    FillSyncParameters(params);
    EXPECT_EQ(params.Mode, 0);
    EXPECT_EQ(params.SynchroInputMode, 3);
    EXPECT_EQ(params.SynchroADType, 1);
    EXPECT_EQ(params.SynchroADMode, 1);
    EXPECT_EQ(params.SynchroADPorog, 0xFE0C);
    EXPECT_EQ(params.SynchroADChannel, 5 + 32 + 128);
  });
}

}  // namespace
}  // namespace e14
