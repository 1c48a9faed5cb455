#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "driver/E14_140.h"
#include "settings/cRegistry.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FakeBackend.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

using testing::FakeModule;
using testing::InFreshThread;

// Back-end 1 sees no module, back-end 2 sees `module`; every test starts
// from an empty settings store.
class DriverObject : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ForgetDriverSettings();
    absent->present = false;
    testing::InstallFakes(absent, module);
  }
  void TearDown() override { InstallBackendFactory(nullptr); }

  // Runs `body` with a driver object on a host thread of its own.
  template <typename Body>
  void WithDriver(Body body) {
    InFreshThread([&body] {
      E14_140 driver;
      body(driver);
    });
  }

  std::shared_ptr<FakeModule> absent = std::make_shared<FakeModule>(), module = std::make_shared<FakeModule>();
};

// A start, then what the host sees of it: (started, last error, busy).
std::tuple<bool, std::string, bool> Start(E14_140& driver) {
  const bool started = driver.IADC3_StartRecord();
  return {started, driver.IADC3_LastError(), driver.IADC3_Busy()};
}

TEST_F(DriverObject, WithoutADeviceNothingRecordsOrMoves) {
  WithDriver([](E14_140& driver) {
    EXPECT_EQ(Start(driver), std::tuple(false, "", false));
    EXPECT_EQ(std::tuple(driver.IADC3_GetKadr().has_value(), driver.IADC3_GetChannel(0), driver.IDIO_DIValue()),
              std::tuple(false, 0, 0));
    driver.IDIO_DOValue(0x00FF);
    EXPECT_EQ(driver.IDIO_DOValue(), 0);
    int32_t values[2] = {5, 6};
    EXPECT_EQ(driver.IDAO_SetValues(0, 2, values), 0);
  });
}

// Four ranges of +-10 V / 4^n: 800 codes per volt on the widest, 51200 on
// the narrowest; a range outside them, or a channel outside the 32, is ignored.
TEST_F(DriverObject, RangesScalesAndTheirLimits) {
  WithDriver([](E14_140& driver) {
    EXPECT_EQ(driver.IADC3_ChannelUnitScale(0), 800.0f);
    driver.IADC3_ChannelRange(0, 3);
    EXPECT_EQ(std::tuple(driver.IADC3_ChannelUnitScale(0), driver.IADC3_ChannelUnitScale(40)), std::tuple(51200.0f, 0.0f));
    for (const auto& [channel, range] : {std::pair<int16_t, int16_t>{5, 2}, {5, 4}, {32, 1}, {5, -1}})
      driver.IADC3_ChannelRange(channel, range);
    EXPECT_EQ(std::tuple(driver.IADC3_ChannelRange(5), driver.IADC3_ChannelRange(32)), std::tuple(2, 0));
  });
}

// Input k of the map (modulo 32): single-ended X1..X16 and Y1..Y16 (code
// k + 32), differential XY1..XY16 and the zero-calibration input above
// (code k); 64 per range step on top.
TEST_F(DriverObject, ChannelNamesAndCodesFollowTheMap) {
  struct Case {
    ChannelInput map;
    int16_t range;
    const char* name;
    int16_t code;
  };
  static const Case cases[] = {
      {{15, false}, 0, "XY16", 15},          {{16, false}, 1, "Calibration 0", 16 + 64},
      {{52, false}, 0, "Calibration 0", 20}, {{15, true}, 2, "X16", 47 + 128},
      {{16, true}, 0, "Y1", 48},             {{20, true}, 1, "Y5", 52 + 64},
  };
  WithDriver([](E14_140& driver) {
    for (int16_t n = 0; n < 6; ++n) {
      State().DeviceInfo.ChannelMap[n] = cases[n].map;
      driver.IADC3_ChannelRange(n, cases[n].range);
    }
    for (int16_t n = 0; n < 6; ++n)
      EXPECT_EQ(std::tuple(driver.IADC3_ChannelName(n), State().DeviceInfo.ChannelCodes[n]),
                std::tuple(cases[n].name, cases[n].code)) << n;
    EXPECT_EQ(std::tuple(driver.IADC3_ChannelName(32), driver.IADC3_ChannelName(-1)), std::tuple("", ""));
  });
}

// The rate is a magnitude up to 100 kHz; no number, or a change while
// recording, leaves it.
TEST_F(DriverObject, RateIsMagnitudeLimitedAndIgnoredWhileBusy) {
  WithDriver([](E14_140& driver) {
    const std::tuple<float, float, bool> cases[] = {{-2000.0f, 2000.0f, false}, {250000.0f, 100000.0f, false},
                                                   {std::nanf(""), 100000.0f, false}, {-INFINITY, 100000.0f, false},
                                                   {500.0f, 100000.0f, true}};
    for (const auto& [set, rate, busy] : cases) {
      State().Busy = busy;
      driver.IADC3_Rate(set);
      EXPECT_EQ(driver.IADC3_Rate(), rate) << set;
    }
    State().Busy = false;
  });
}

// Tables of up to 128 inputs 0..31; another, or a change while recording,
// leaves the table. The ring follows the table's width.
TEST_F(DriverObject, ChannelTablesAndTheRingSize) {
  WithDriver([](E14_140& driver) {
    driver.IADC3_InputChannels({3, 0, 3});
    for (const auto& table : {std::vector<int16_t>{0, 32}, {-1}, std::vector<int16_t>(129, 0)}) {
      driver.IADC3_InputChannels(table);
      EXPECT_EQ(driver.IADC3_InputChannels(), (std::vector<int16_t>{3, 0, 3}));
    }
    driver.IADC3_InputChannels(std::vector<int16_t>(128, 31));
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 128);
    State().Busy = true;
    driver.IADC3_InputChannels({1});
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 128);
    State().Busy = false;

    driver.IADC3_InputChannels({0, 1, 2, 3});
    driver.IADC3_InputSizeData(100000);
    EXPECT_EQ(std::tuple(driver.IADC3_InputSizeKadrs(), driver.IADC3_InputSizeData()), std::tuple(25000, 100000));
    driver.IADC3_InputSizeData(INT32_MAX);  // more than a ring may hold: ignored
    EXPECT_EQ(driver.IADC3_InputSizeKadrs(), 25000);
  });
}

// Each test asks both back-ends again until one opens a module; the first
// that does is kept, and an open device is not opened again.
TEST_F(DriverObject, TestRetriesTheBackendsUntilOneOpensAModule) {
  module->present = false;
  WithDriver([this](E14_140& driver) {
    EXPECT_FALSE(driver.IADC3_Test() || driver.IADC3_Test());
    EXPECT_EQ(std::tuple(absent->opens, module->opens, driver.IADC3_LastError()), std::tuple(2, 2, "no module"));
    module->present = true;
    EXPECT_TRUE(driver.IADC3_Test() && driver.IADC3_Test());
    EXPECT_EQ(std::tuple(module->opens, State().Backend, driver.IDIO_Detected()), std::tuple(3, 2, true));
  });
  absent->present = true;
  WithDriver([this](E14_140& driver) {
    EXPECT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(std::tuple(module->opens, State().Backend), std::tuple(3, 1));
  });
}

// A rate and a channel are checked before the back-end is asked; the start
// word follows only a start the back-end made.
TEST_F(DriverObject, StartChecksRateAndChannelsBeforeTheBackend) {
  WithDriver([this](E14_140& driver) {
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IDIO_DOStartEnabled(true);
    driver.IDIO_DOStartValue(0x11);
    for (const float rate : {0.0f, std::nanf("")}) {
      State().AdcInput.Rate = rate;
      EXPECT_EQ(Start(driver), std::tuple(false, "No Sampling Rate selected!", false));
    }
    driver.IADC3_Rate(1000.0f);
    driver.IADC3_InputChannels({});
    EXPECT_EQ(std::tuple(driver.IADC3_InputCountChannels(), driver.IADC3_InputData().Channels), std::tuple(0, 0));
    EXPECT_EQ(Start(driver), std::tuple(false, "No one channel selected!", false));
    EXPECT_EQ(module->starts, 0);

    driver.IADC3_InputChannels({0, 1, 2, 3});
    module->startSucceeds = false;
    EXPECT_EQ(Start(driver), std::tuple(false, "start refused", false));
    EXPECT_TRUE(module->ttlWrites.empty());
    // Four channels share the 100 kHz.
    module->startSucceeds = true;
    driver.IADC3_Rate(30000.0f);
    EXPECT_EQ(Start(driver), std::tuple(true, "", true));
    EXPECT_EQ(std::tuple(State().AdcInput.Rate, module->ttlWrites), std::tuple(25000.0f, std::vector<int32_t>{0x11}));
    EXPECT_FALSE(driver.IADC3_StartRecord());  // already recording
    EXPECT_EQ(std::tuple(module->starts, driver.IADC3_InputData().Frames), std::tuple(2, 1));
    // Into the host's own array: frame 0 is the table, the count is of the frames after it.
    std::vector<int16_t> array;
    const int32_t frames = driver.IADC3_InputData([&array](int32_t channels, int32_t arrayFrames) {
      array.resize(static_cast<size_t>(channels) * static_cast<size_t>(arrayFrames));
      return array.data();
    });
    EXPECT_EQ(std::tuple(frames, array, driver.IADC3_InputCountKadrs()),
              std::tuple(0, std::vector<int16_t>{0, 1, 2, 3}, 0));
  });
}

// Output words need a device; a stop writes the stop word, when enabled, even when idle.
TEST_F(DriverObject, OutputWordsAndTheStopWord) {
  WithDriver([this](E14_140& driver) {
    driver.IDIO_DOStopEnabled(true);
    driver.IDIO_DOStopValue(5);
    driver.IADC3_StopRecord();  // no device: nothing to write to
    EXPECT_TRUE(module->ttlWrites.empty());
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IDIO_DOValue(0x00FF);
    EXPECT_EQ(std::tuple(driver.IDIO_DOValue(), driver.IDIO_DIValue()), std::tuple(0x00FF, 0x5A5A));
    driver.IADC3_StopRecord();
    driver.IDIO_DOStopEnabled(false);
    driver.IADC3_StopRecord();
    EXPECT_EQ(std::tuple(module->ttlWrites, driver.IDIO_DOValue()), std::tuple(std::vector<int32_t>{0x00FF, 5}, 5));
  });
}

// Objects of one host thread share its state; the last one to go stops the
// recording, closes the module and saves the settings under the module's
// subkey and the base key, which the next thread's first object loads.
TEST_F(DriverObject, ObjectsOfOneThreadShareStateAndTheLastOneShutsDown) {
  InFreshThread([this] {
    auto first = std::make_unique<E14_140>();
    ASSERT_TRUE(first->IADC3_Test());
    first->IADC3_Rate(1234.0f);
    first->IADC3_Rate(1000.0f);
    {
      E14_140 second;
      EXPECT_EQ(std::tuple(second.IADC3_Detected(), second.IADC3_Rate()), std::tuple(true, 1000.0f));
      EXPECT_TRUE(second.IADC3_StartRecord());
    }
    EXPECT_EQ(std::tuple(module->closes, first->IADC3_Busy()), std::tuple(0, true));
    first.reset();
    EXPECT_EQ(std::tuple(module->stops, module->closes > 0, State().Detected, State().InstanceCount),
              std::tuple(1, true, false, 0));
    cRegistry reg;
    for (const std::string& key : {State().SettingsKeyPath + "\\FAKE0001", State().SettingsKeyPath}) {
      float rate = 0;
      EXPECT_TRUE(reg.ReadSingleAt(0x80000001, key, "Rate", rate)) << key;
      EXPECT_EQ(rate, 1000.0f) << key;
    }
  });
  WithDriver([](E14_140& again) { EXPECT_EQ(again.IADC3_Rate(), 1000.0f); });
}

// Codes are limited to the channel's range and volts to its levels, both
// here and in the host's array; bad channels and NaN are skipped.
TEST_F(DriverObject, DacCodesAndVoltsAreLimited) {
  module->hasDac = true;
  WithDriver([](E14_140& driver) {
    ASSERT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(std::tuple(driver.IDAO_Detected(), driver.IDAO_ChannelName(1), driver.IDAO_ChannelName(2)),
              std::tuple(true, "DAC2", ""));
    EXPECT_DOUBLE_EQ(driver.IDAO_ChannelUnitScale(0), 409.6);
    const std::tuple<int16_t, int32_t, int32_t> codes[] = {{0, 3000, 2048}, {1, -5000, -2048}, {7, 5, 0}};
    for (const auto& [channel, code, expected] : codes) {
      driver.IDAO_Value(channel, code);
      EXPECT_EQ(driver.IDAO_Value(channel), expected) << code;
    }
    const std::pair<double, int32_t> volts[] = {{2.5, 1024}, {7.0, 2048}, {std::nan(""), 2048}, {-1.0, -410}};
    for (const auto& [level, expected] : volts) {
      driver.IDAO_ValueReal(0, level);
      EXPECT_EQ(driver.IDAO_Value(0), expected) << level;
    }
    driver.IDAO_Value(0, 1000);
    EXPECT_DOUBLE_EQ(driver.IDAO_ValueReal(0), 2.4414);

    int32_t array[3] = {100, 5000, 300};
    EXPECT_EQ(driver.IDAO_SetValues(1, 3, array), 1);
    EXPECT_EQ(std::tuple(driver.IDAO_Value(1), array[1]), std::tuple(100, 5000));
    EXPECT_EQ(driver.IDAO_SetValues(0, 2, array), 2);
    EXPECT_EQ(array[1], 2048);
    EXPECT_EQ(std::tuple(driver.IDAO_SetValues(0, 0, array), driver.IDAO_SetValues(0, 3, nullptr)), std::tuple(0, 0));
    double levels[3] = {6.0, std::nan(""), -1.0};
    EXPECT_EQ(driver.IDAO_SetValuesReal(0, 3, levels), 1);
    EXPECT_EQ(std::tuple(driver.IDAO_Value(0), levels[0]), std::tuple(2048, 5.0));
    EXPECT_EQ(std::tuple(driver.IDAO_SetValuesReal(0, 0, levels), driver.IDAO_SetValuesReal(0, 2, nullptr)),
              std::tuple(0, 0));
  });
}

// Each face member reads its own field of the open module's description:
// members that share a type must not read each other's.
TEST_F(DriverObject, FacesDescribeTheOpenModule) {
  module->hasDac = true;
  WithDriver([](E14_140& driver) {
    ASSERT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(std::tuple(driver.IADC3_Resolution(), driver.IADC3_ChannelsCount(), driver.IADC3_BasePort()),
              std::tuple(14, 32, 0x1234));
    EXPECT_EQ(std::tuple(driver.IDAO_Name(), driver.IDAO_Resolution(), driver.IDAO_ChannelsCount(),
                         driver.IDAO_ChannelMax(0), driver.IDAO_ChannelMin(0), driver.IDAO_RangesCount()),
              std::tuple("E-140", 12, 2, 2048, -2048, 1));
    EXPECT_EQ(std::tuple(driver.IDAO_ChannelMaxReal(0), driver.IDAO_ChannelMinReal(0), driver.IDAO_Ranges()),
              std::tuple(5.0, -5.0, std::vector<std::string>{"\u00B15 V"}));
    EXPECT_EQ(std::tuple(driver.IDIO_DIOName(), driver.IDIO_Detected(), driver.IDIO_DIBits(), driver.IDIO_DOBits()),
              std::tuple("E-140", true, 16, 16));
    driver.IDIO_DOStartEnabled(true);
    driver.IDIO_DOStartValue(1);
    driver.IDIO_DOStopValue(2);
    EXPECT_EQ(std::tuple(driver.IDIO_DOStartEnabled(), driver.IDIO_DOStopEnabled(), driver.IDIO_DOStartValue(),
                         driver.IDIO_DOStopValue()),
              std::tuple(true, false, 1, 2));
  });
}

}  // namespace
}  // namespace e14
