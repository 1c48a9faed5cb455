#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "backend/AdcConfiguration.h"
#include "driver/DriverState.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

using testing::InFreshThread;

// The module's 16 MHz quartz: an 8 MHz ADC clock, divided as finely as the
// rate asks, with whole ADC periods between frames. A rate below 1 Hz or not
// finite, or no clock, leaves the record as it was (adcKHz 0 in the table).
TEST(ComputeTiming, ReproducesTheModuleTimings) {
  struct Case { int16_t channels; float requested, achieved; double adcKHz = 0, delayMs = 0;
                int32_t clockHz = 16000000; };
  const float nan = std::nanf("");
  const Case cases[] = {
      {4, 1000.0f, 1000.0f, 4.0, 0.25},
      {1, 100000.0f, 100000.0f, 100.0, 0.01},
      {1, 10.0f, 10.0f, 0.16, 100.0},
      {1, 250000.0f, 100000.0f, 100.0, 0.01},  // limited to the module's rate
      // No divisor gives 7000 Hz exactly: the one with the smallest fraction.
      {3, 7000.0f, static_cast<float>(1000.0 / (3.0 / (8000.0 / 380.0))), 8000.0 / 380.0, 380.0 / 8000.0},
      {1, 0.5f, 0.5f}, {1, 0.0f, 0.0f}, {1, -3.0f, -3.0f}, {1, nan, nan}, {1, INFINITY, INFINITY},
      {1, 1000.0f, 1000.0f, 0, 0, 0},  // no clock
  };
  for (const Case& c : cases) {
    InFreshThread([&c] {
      DriverState& s = State();
      s.DeviceInfo.ClockHz = c.clockHz;
      s.AdcInput.ChCount = c.channels;
      s.AdcInput.Rate = c.requested;
      AdcParams params;
      std::memset(&params, 0xAB, sizeof params);
      const AdcParams before = params;
      // Compared bit for bit, so that NaN stays NaN.
      EXPECT_EQ(std::bit_cast<uint32_t>(ComputeTiming(params)), std::bit_cast<uint32_t>(c.achieved)) << c.requested;
      EXPECT_EQ(std::bit_cast<uint32_t>(s.AdcInput.Rate), std::bit_cast<uint32_t>(c.achieved)) << c.requested;
      if (c.adcKHz == 0) {
        EXPECT_EQ(std::memcmp(&params, &before, sizeof params), 0) << c.requested;
      } else {
        EXPECT_DOUBLE_EQ(params.AdcRateKHz, c.adcKHz) << c.requested;
        EXPECT_DOUBLE_EQ(params.InterKadrDelayMs, c.delayMs) << c.requested;
      }
    });
  }
}

// The control table follows the channel table; the synchronisation fields
// come from the module's settings, the channel as its code.
TEST(AdcRecord, TakesTheChannelTableAndTheSynchronisation) {
  InFreshThread([] {
    DriverState& s = State();
    for (int i = 0; i < kLogicalChannels; ++i) s.DeviceInfo.ChannelCodes[i] = static_cast<int16_t>(100 + i);
    s.AdcInput.ChTable = {3, 0, 3};
    s.AdcInput.ChCount = 3;
    AdcParams params{};
    FillChannelTable(params);
    EXPECT_EQ(params.ChannelsQuantity, 3);
    EXPECT_EQ(std::vector<uint16_t>(params.ControlTable, params.ControlTable + 3),
              (std::vector<uint16_t>{103, 100, 103}));
    s.AdcInput.ChTable.assign(200, 1);  // never more than the module's table
    s.AdcInput.ChCount = 200;
    FillChannelTable(params);
    EXPECT_EQ(params.ChannelsQuantity, 128);

    DeviceInfoRecord& info = s.DeviceInfo;
    std::tie(info.SynchroInputMode, info.SynchroADType, info.SynchroADMode, info.SynchroADPorog,
             info.SynchroADChannel, info.SynchroADRange) = std::tuple(3, 1, 2, -500, 2, 2);
    info.ChannelMap[2] = {5, true};
    params.Mode = 7;
    FillSyncParameters(params);
    // Single-ended input 5 (code 5 + 32) at range 2 (2 x 64); the threshold as 16 bits.
    EXPECT_EQ((std::vector<int>{params.Mode, params.SynchroInputMode, params.SynchroADType, params.SynchroADMode,
                                params.SynchroADPorog, params.SynchroADChannel}),
              (std::vector<int>{0, 3, 1, 2, 0xFE0C, 5 + 32 + 128}));
  });
}

}  // namespace
}  // namespace e14
