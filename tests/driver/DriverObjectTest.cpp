#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "driver/E14_140.h"
#include "driver/mL_Card.h"
#include "settings/cRegistry.h"
#include "tests/support/FakeBackend.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

using testing::FakeModule;
using testing::InFreshThread;
using testing::InstallFakes;

class DriverObject : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every test starts from an empty settings store.
    std::filesystem::remove_all(std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "e14-140");
    absent = std::make_shared<FakeModule>();
    absent->present = false;
    module = std::make_shared<FakeModule>();
    InstallFakes(absent, module);  // the module answers through back-end 2
  }
  void TearDown() override { InstallBackendFactory(nullptr); }

  std::shared_ptr<FakeModule> absent, module;
};

TEST_F(DriverObject, DefaultsBeforeAnyDevice) {
  InFreshThread([] {
    E14_140 driver;
    EXPECT_EQ(driver.IADC3_ADCName(), "E-140");
    EXPECT_EQ(State().AdcInfo.DeviceType, "E14-140");
    EXPECT_EQ(driver.IADC3_Resolution(), 14);
    EXPECT_EQ(driver.IADC3_ChannelsCount(), 32);
    EXPECT_EQ(driver.IADC3_RateMax(), 100000.0f);
    EXPECT_FALSE(driver.IADC3_Detected());
    EXPECT_EQ(driver.IADC3_BasePort(), 0);
    EXPECT_FALSE(driver.IADC3_StartRecord());
    EXPECT_EQ(driver.IADC3_LastError(), "");
    EXPECT_EQ(driver.IADC3_ChannelName(0), "XY1");
    EXPECT_EQ(driver.IADC3_ChannelName(31), "Calibration 0");
    EXPECT_EQ(driver.IADC3_ChannelName(32), "");
    EXPECT_EQ(driver.IADC3_ChannelName(-1), "");
    EXPECT_FALSE(driver.IADC3_GetKadr().has_value());
    EXPECT_EQ(driver.IADC3_GetChannel(0), 0);
    EXPECT_FALSE(driver.IDIO_Detected());
    EXPECT_EQ(driver.IDIO_DIBits(), 0);
    EXPECT_EQ(driver.IDIO_DIValue(), 0);
    EXPECT_FALSE(driver.IDAO_Detected());
    EXPECT_EQ(driver.IDAO_ChannelsCount(), 0);
    int32_t values[2] = {5, 6};
    EXPECT_EQ(driver.IDAO_SetValues(0, 2, values), 0);
  });
}

TEST_F(DriverObject, RangeTableTextsAndScales) {
  InFreshThread([] {
    E14_140 driver;
    const auto ranges = driver.IADC3_Ranges();
    ASSERT_EQ(ranges.size(), 4u);
    const std::string sep = State().AdcInfo.Ranges[1].substr(3, 1);  // the locale's separator
    EXPECT_EQ(ranges[0], "\u00B110 V");
    EXPECT_EQ(ranges[1], "\u00B12" + sep + "5 V");
    EXPECT_EQ(ranges[2], "\u00B10" + sep + "625 V");
    EXPECT_EQ(ranges[3], "\u00B10" + sep + "156 V");
    EXPECT_EQ(driver.IADC3_ChannelUnitScale(0), 800.0f);
    driver.IADC3_ChannelRange(0, 3);
    EXPECT_EQ(driver.IADC3_ChannelUnitScale(0), 51200.0f);
    EXPECT_EQ(driver.IADC3_ChannelUnitScale(40), 0.0f);
    driver.IADC3_ChannelRange(5, 2);
    driver.IADC3_ChannelRange(5, 7);
    driver.IADC3_ChannelRange(32, 1);
    driver.IADC3_ChannelRange(5, -1);
    EXPECT_EQ(driver.IADC3_ChannelRange(5), 2);
    EXPECT_EQ(driver.IADC3_ChannelRange(32), 0);
  });
}

TEST_F(DriverObject, ChannelCodesFollowTheMap) {
  InFreshThread([] {
    E14_140 driver;
    DriverState& s = State();
    s.DeviceInfo.ChannelMap[3] = {20, false};
    s.DeviceInfo.ChannelMap[4] = {20, true};
    s.DeviceInfo.ChannelMap[6] = {5, true};
    s.DeviceInfo.ChannelMap[7] = {52, false};  // only the value modulo 32 counts
    driver.IADC3_ChannelRange(3, 1);
    driver.IADC3_ChannelRange(4, 1);
    driver.IADC3_ChannelRange(6, 2);
    EXPECT_EQ(driver.IADC3_ChannelName(3), "Calibration 0");
    EXPECT_EQ(s.DeviceInfo.ChannelCodes[3], 20 + 64);
    EXPECT_EQ(driver.IADC3_ChannelName(4), "Y5");
    EXPECT_EQ(s.DeviceInfo.ChannelCodes[4], 52 + 64);
    EXPECT_EQ(driver.IADC3_ChannelName(6), "X6");
    EXPECT_EQ(s.DeviceInfo.ChannelCodes[6], 165);
    EXPECT_EQ(driver.IADC3_ChannelName(7), "Calibration 0");
  });
}

TEST_F(DriverObject, RateIsMagnitudeLimitedAndIgnoredWhileBusy) {
  InFreshThread([] {
    E14_140 driver;
    driver.IADC3_Rate(-2000.0f);
    EXPECT_EQ(driver.IADC3_Rate(), 2000.0f);
    driver.IADC3_Rate(250000.0f);
    EXPECT_EQ(driver.IADC3_Rate(), 100000.0f);
    driver.IADC3_Rate(std::nanf(""));
    EXPECT_EQ(driver.IADC3_Rate(), 100000.0f);
    driver.IADC3_Rate(-INFINITY);
    EXPECT_EQ(driver.IADC3_Rate(), 100000.0f);
    State().Busy = true;
    driver.IADC3_Rate(500.0f);
    EXPECT_EQ(driver.IADC3_Rate(), 100000.0f);
    State().Busy = false;
  });
}

TEST_F(DriverObject, ChannelTablesOutsideTheLimitsAreRefused) {
  InFreshThread([] {
    E14_140 driver;
    driver.IADC3_InputChannels({3, 0, 3});
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 3);
    const std::vector<int16_t> bad[] = {{0, 32}, {-1}, std::vector<int16_t>(129, 0)};
    for (const auto& table : bad) {
      driver.IADC3_InputChannels(table);
      EXPECT_EQ(driver.IADC3_InputChannels(), (std::vector<int16_t>{3, 0, 3}));
    }
    driver.IADC3_InputChannels(std::vector<int16_t>(128, 31));
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 128);
    State().Busy = true;
    driver.IADC3_InputChannels({1});
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 128);
    State().Busy = false;
  });
}

TEST_F(DriverObject, InputSizeFollowsRequestAndRejectsAbsurdSizes) {
  InFreshThread([] {
    E14_140 driver;
    driver.IADC3_InputChannels({0, 1, 2, 3});
    driver.IADC3_InputSizeData(100000);
    EXPECT_EQ(driver.IADC3_InputSizeKadrs(), 25000);
    EXPECT_EQ(driver.IADC3_InputSizeData(), 100000);
    driver.IADC3_InputSizeData(-1);
    EXPECT_EQ(driver.IADC3_InputSizeKadrs(), 8192);  // as if 32768 samples were asked for
    driver.IADC3_InputSizeData(INT32_MAX);
    EXPECT_EQ(driver.IADC3_InputSizeKadrs(), 8192);
  });
}

TEST_F(DriverObject, TestRetriesUntilAModuleAnswers) {
  module->present = false;
  InFreshThread([this] {
    E14_140 driver;
    EXPECT_FALSE(driver.IADC3_Test());
    EXPECT_FALSE(driver.IADC3_Test());
    EXPECT_EQ(absent->opens, 2);
    EXPECT_EQ(module->opens, 2);
    EXPECT_EQ(driver.IADC3_LastError(), "no module");
    module->present = true;
    EXPECT_TRUE(driver.IADC3_Test());
    EXPECT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(module->opens, 3);  // an open device is not opened again
    EXPECT_EQ(State().Backend, 2);
    EXPECT_EQ(driver.IADC3_BasePort(), 0x1234);
    EXPECT_TRUE(driver.IDIO_Detected());
    EXPECT_EQ(driver.IDIO_DOBits(), 16);
  });
}

TEST_F(DriverObject, FirstBackendWinsWhenItSeesTheModule) {
  absent->present = true;
  InFreshThread([this] {
    E14_140 driver;
    EXPECT_TRUE(driver.IADC3_Test());
    EXPECT_EQ(State().Backend, 1);
    EXPECT_EQ(module->opens, 0);
  });
}

TEST_F(DriverObject, StartChecksRateAndChannelsBeforeTheBackend) {
  InFreshThread([this] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IDIO_DOStartEnabled(true);
    driver.IDIO_DOStartValue(0x11);
    State().AdcInput.Rate = 0;
    EXPECT_FALSE(driver.IADC3_StartRecord());
    EXPECT_EQ(driver.IADC3_LastError(), "No Sampling Rate selected!");
    State().AdcInput.Rate = std::nanf("");
    EXPECT_FALSE(driver.IADC3_StartRecord());
    EXPECT_EQ(driver.IADC3_LastError(), "No Sampling Rate selected!");
    driver.IADC3_Rate(1000.0f);
    driver.IADC3_InputChannels({});
    EXPECT_EQ(driver.IADC3_InputCountChannels(), 0);
    EXPECT_EQ(driver.IADC3_InputData().Channels, 0);
    EXPECT_FALSE(driver.IADC3_StartRecord());
    EXPECT_EQ(driver.IADC3_LastError(), "No one channel selected!");
    EXPECT_EQ(module->starts, 0);
    EXPECT_TRUE(module->ttlWrites.empty());
    EXPECT_FALSE(driver.IADC3_Busy());

    driver.IADC3_InputChannels({0, 1, 2, 3});
    driver.IADC3_Rate(30000.0f);
    EXPECT_TRUE(driver.IADC3_StartRecord());
    EXPECT_EQ(State().AdcInput.Rate, 25000.0f);
    EXPECT_TRUE(driver.IADC3_Busy());
    EXPECT_EQ(module->ttlWrites, (std::vector<int32_t>{0x11}));
    EXPECT_FALSE(driver.IADC3_StartRecord());  // already recording
    EXPECT_EQ(module->starts, 1);
    EXPECT_EQ(driver.IADC3_InputData().Frames, 1);
  });
}

TEST_F(DriverObject, FailedBackendStartLeavesItsMessage) {
  module->startSucceeds = false;
  InFreshThread([this] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IDIO_DOStartEnabled(true);
    driver.IADC3_Rate(100.0f);
    EXPECT_FALSE(driver.IADC3_StartRecord());
    EXPECT_EQ(driver.IADC3_LastError(), "start refused");
    EXPECT_FALSE(driver.IADC3_Busy());
    EXPECT_TRUE(module->ttlWrites.empty());
  });
}

TEST_F(DriverObject, StopWritesTheStopWordEvenWhenIdle) {
  InFreshThread([this] {
    E14_140 driver;
    driver.IDIO_DOStopEnabled(true);
    driver.IDIO_DOStopValue(5);
    driver.IADC3_StopRecord();  // no device: nothing to write to
    EXPECT_TRUE(module->ttlWrites.empty());
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IADC3_StopRecord();
    EXPECT_EQ(module->ttlWrites, (std::vector<int32_t>{5}));
    EXPECT_EQ(driver.IDIO_DOValue(), 5);
  });
}

TEST_F(DriverObject, OutputWordsNeedADevice) {
  InFreshThread([this] {
    E14_140 driver;
    driver.IDIO_DOValue(0x00FF);
    EXPECT_EQ(driver.IDIO_DOValue(), 0);
    ASSERT_TRUE(driver.IADC3_Test());
    driver.IDIO_DOValue(0x00FF);
    EXPECT_EQ(driver.IDIO_DOValue(), 0x00FF);
    EXPECT_EQ(driver.IDIO_DIValue(), 0x5A5A);
    EXPECT_EQ(module->ttlWrites, (std::vector<int32_t>{0x00FF}));
  });
}

TEST_F(DriverObject, ObjectsOfOneThreadShareStateAndTheLastOneShutsDown) {
  InFreshThread([this] {
    auto first = std::make_unique<E14_140>();
    ASSERT_TRUE(first->IADC3_Test());
    first->IADC3_Rate(1234.0f);
    first->IADC3_Rate(1000.0f);
    {
      E14_140 second;
      EXPECT_TRUE(second.IADC3_Detected());            // sees the open device
      EXPECT_EQ(second.IADC3_Rate(), 1000.0f);        // tables not rebuilt
      EXPECT_EQ(State().InstanceCount, 2);
      EXPECT_TRUE(second.IADC3_StartRecord());
    }
    EXPECT_EQ(module->closes, 0);
    EXPECT_TRUE(first->IADC3_Busy());
    first.reset();
    EXPECT_EQ(module->stops, 1);
    EXPECT_GE(module->closes, 1);
    EXPECT_FALSE(State().Detected);
    EXPECT_EQ(State().InstanceCount, 0);
    // The rate reached both the module's subkey and the base key.
    cRegistry reg;
    float rate = 0;
    EXPECT_TRUE(reg.ReadSingleAt(0x80000001, State().SettingsKeyPath + "\\FAKE0001", "Rate", rate));
    EXPECT_EQ(rate, 1000.0f);
    EXPECT_TRUE(reg.ReadSingleAt(0x80000001, State().SettingsKeyPath, "Rate", rate));
    EXPECT_EQ(rate, 1000.0f);
  });
  InFreshThread([] {
    E14_140 again;
    EXPECT_EQ(again.IADC3_Rate(), 1000.0f);  // base settings loaded by the first object
  });
}

TEST_F(DriverObject, DacCodesAndVoltsAreLimited) {
  module->hasDac = true;
  InFreshThread([this] {
    E14_140 driver;
    ASSERT_TRUE(driver.IADC3_Test());
    EXPECT_TRUE(driver.IDAO_Detected());
    EXPECT_EQ(driver.IDAO_ChannelName(0), "DAC1");
    EXPECT_EQ(driver.IDAO_ChannelName(2), "");
    EXPECT_DOUBLE_EQ(driver.IDAO_ChannelUnitScale(0), 409.6);
    driver.IDAO_Value(0, 3000);
    EXPECT_EQ(driver.IDAO_Value(0), 2048);
    driver.IDAO_Value(1, -5000);
    EXPECT_EQ(driver.IDAO_Value(1), -2048);
    driver.IDAO_ValueReal(0, 2.5);
    EXPECT_EQ(driver.IDAO_Value(0), 1024);
    driver.IDAO_ValueReal(0, 7.0);
    EXPECT_EQ(driver.IDAO_Value(0), 2048);
    driver.IDAO_ValueReal(0, std::nan(""));
    EXPECT_EQ(driver.IDAO_Value(0), 2048);
    driver.IDAO_Value(0, 1000);
    EXPECT_DOUBLE_EQ(driver.IDAO_ValueReal(0), 2.4414);
    driver.IDAO_Value(7, 5);
    EXPECT_EQ(driver.IDAO_Value(7), 0);

    int32_t codes[3] = {100, 200, 300};
    EXPECT_EQ(driver.IDAO_SetValues(1, 3, codes), 1);
    EXPECT_EQ(driver.IDAO_Value(1), 100);
    EXPECT_EQ(codes[1], 200);
    EXPECT_EQ(driver.IDAO_SetValues(0, 0, codes), 0);
    EXPECT_EQ(driver.IDAO_SetValues(0, 3, nullptr), 0);

    double volts[2] = {6.0, -1.0};
    EXPECT_EQ(driver.IDAO_SetValuesReal(0, 2, volts), 2);
    EXPECT_EQ(driver.IDAO_Value(0), 2048);
    EXPECT_EQ(driver.IDAO_Value(1), -410);
    EXPECT_EQ(volts[0], 5.0);
    EXPECT_EQ(volts[1], -1.0);
    const size_t writes = module->dacWrites.size();
    driver.IDAO_Value(1, -410);  // unchanged codes are not resent
    EXPECT_EQ(module->dacWrites.size(), writes);
  });
}

TEST_F(DriverObject, ShowSettingIsFalseAndSkippedWhileRecording) {
  int shown = 0;
  E14_140::InstallSettingsDialog([&shown] { ++shown; });
  InFreshThread([&shown] {
    E14_140 driver;
    EXPECT_FALSE(driver.IADC3_ShowSetting());
    EXPECT_EQ(shown, 1);
    State().Busy = true;
    EXPECT_FALSE(driver.IADC3_ShowSetting());
    EXPECT_EQ(shown, 1);
    State().Busy = false;
    EXPECT_EQ(driver.IADC3_Parent(), &driver);
  });
  E14_140::InstallSettingsDialog(nullptr);
}

}  // namespace
}  // namespace e14
