// The driver's settings in the registry: key paths, value families and the
// load and save rules.
#include "driver/mL_Card.h"

#include <gtest/gtest.h>

#include <bit>
#include <optional>
#include <tuple>

#include "driver/mE14_x40.h"
#include "settings/cRegistry.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

using testing::InFreshThread;

constexpr uint32_t kUser = static_cast<uint32_t>(kHkeyCurrentUser);
const std::string kBase = "Software\\Tervo\\ADC\\L-Card\\E-140";
const std::string kModule = kBase + "\\SN42";

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { testing::ForgetDriverSettings(); }

  // Floats are stored by their bits, as the Single family does.
  void Store(const std::string& path, const std::string& name, int32_t word) {
    reg_.CreateKey(kUser, path, "");
    reg_.WriteLongAt(kUser, path, name, word);
  }
  void Store(const std::string& path, const std::string& name, float value) {
    Store(path, name, std::bit_cast<int32_t>(value));
  }
  // The stored DWORD; none when the value is missing.
  std::optional<int32_t> Stored(const std::string& path, const std::string& name) {
    int32_t word = 0;
    return reg_.ReadLongAt(kUser, path, name, word) ? std::optional(word) : std::nullopt;
  }
  // Runs `body` on a host thread of its own, in the state the first driver
  // object leaves there, with a module of a 16-bit DAC.
  template <typename Body>
  static void Opened(Body body) {
    InFreshThread([&body] {
      OpenSettingsKey("E-140");
      DacInfoRecord& dac = State().DacInfo;
      std::tie(dac.ChannelMax, dac.ChannelMin, dac.ChannelsCount, dac.RateMax) = std::tuple(32767, -32767, 2, 200000.0f);
      body();
    });
  }

  cRegistry reg_;
};

// Opening the key names it after the driver. A channel byte is the input in
// its low five bits and single-ended in bit 5.
TEST_F(SettingsStore, ChannelBytesCarryInputAndModeUpToTheChannelCount) {
  reg_.CreateKey(kUser, kBase, "wrong");
  reg_.WriteBinaryAt(kUser, kBase, "Channels", std::vector<uint8_t>(40, 0x25));
  Opened([this] {
    std::string name;
    EXPECT_TRUE(reg_.ReadStringAt(kUser, kBase, "", name) && name == "E-140");
    EXPECT_EQ(State().SettingsKeyPath, kBase);
    const auto& map = State().DeviceInfo.ChannelMap;
    LoadSettings("");
    EXPECT_TRUE(map[31].Input == 5 && map[31].SingleEnded);
    EXPECT_EQ(State().AdcInfo.ChannelNames[31], "X6");
    reg_.WriteBinaryAt(kUser, kBase, "Channels", {0x45, 0x3F});
    LoadSettings("");
    EXPECT_TRUE(map[0].Input == 5 && !map[0].SingleEnded);  // bit 6 is not the mode
    EXPECT_TRUE(map[1].Input == 31 && map[1].SingleEnded);
    EXPECT_TRUE(map[2].Input == 5 && map[2].SingleEnded);  // beyond the stored bytes: kept

    State().DeviceInfo.ChannelMap[3] = {35, false};
    SaveSettings("");
    std::vector<uint8_t> saved;
    EXPECT_TRUE(reg_.ReadBinaryAt(kUser, kBase, "Channels", saved));
    EXPECT_EQ(std::tuple(saved.size(), saved[1], saved[3]), std::tuple(32u, 63, 3));  // [3]: the input's low five bits
  });
}

TEST_F(SettingsStore, RatesOutsideTheLimitsAreNeitherLoadedNorSaved) {
  Opened([this] {
    State().AdcInput.Rate = 500.0f;
    for (const float stored : {0.0f, -10.0f, 100001.0f, 250.0f}) {
      Store(kBase, "Rate", stored);
      LoadSettings("");
      EXPECT_EQ(State().AdcInput.Rate, stored == 250.0f ? 250.0f : 500.0f) << stored;
    }
    State().AdcInput.Rate = 0.0f;
    SaveSettings("");
    EXPECT_EQ(Stored(kBase, "Rate"), std::bit_cast<int32_t>(250.0f));
  });
}

// A disabled output word is removed, and reads as 0 with its flag untouched.
TEST_F(SettingsStore, ModuleValuesRoundTripInTheirFamilies) {
  Store(kModule, "DOStopValue", 7);
  Opened([this] {
    DriverState& s = State();
    s.DeviceInfo.SynchroADPorog = -500;
    s.DioState.DOStartEnabled = true;
    s.DioState.DOStartValue = 0x1234;
    s.DacInfo.Rate = 250.0f;
    s.DacInfo.Channels[1] = {0, 4, -1000, 200, 0, 0.25f};
    SaveSettings("  SN42 ");  // spaces around the serial are not part of the key
    // Integers in 16 bits, the rate by its bits.
    EXPECT_EQ(std::tuple(Stored(kModule, "SynchroADPorog"), Stored(kModule, "DACChAmp2"), Stored(kModule, "DACChRate"),
                         Stored(kModule, "DOStopValue")),
              std::tuple(0xFE0C, 0xFC18, 0x437A0000, std::nullopt));
  });
  Opened([] {
    const DriverState& s = State();
    State().DioState.DOStopValue = 9;
    LoadSettings("SN42");
    LoadDacSettings("SN42");
    EXPECT_EQ(std::tuple(s.DeviceInfo.SynchroADPorog, s.DioState.DOStartEnabled, s.DioState.DOStopEnabled,
                         s.DioState.DOStartValue, s.DioState.DOStopValue),
              std::tuple(-500, true, false, 0x1234, 0));
    EXPECT_EQ(std::tuple(s.DacInfo.Rate, s.DacInfo.Channels[1].Amp, s.DacInfo.Channels[1].Phase),
              std::tuple(250.0f, -1000, 0.25f));
  });
}

// Kept as stored, not clamped: the page and the ADC configuration guard the
// channel and range where they use them. A missing one reads as 0, and the
// module's rate overrides the driver's.
TEST_F(SettingsStore, TheModuleKeepsItsSynchronisationAsStored) {
  using Info = DeviceInfoRecord;
  const struct {
    const char* name;
    int16_t Info::*field;
    std::optional<int16_t> stored;
  } cases[] = {
      {"SynchroInputMode", &Info::SynchroInputMode, std::nullopt}, {"SynchroADType", &Info::SynchroADType, 1},
      {"SynchroADMode", &Info::SynchroADMode, 5},                  {"SynchroADChannel", &Info::SynchroADChannel, 77},
      {"SynchroADRange", &Info::SynchroADRange, 9},                {"SynchroADPorog", &Info::SynchroADPorog, -500},
  };
  for (const auto& c : cases)
    if (c.stored) Store(kModule, c.name, *c.stored);
  Store(kModule, "Rate", 800.0f);
  Opened([&cases] {
    for (const auto& c : cases) State().DeviceInfo.*c.field = 3;
    LoadSettings("SN42");
    for (const auto& c : cases) EXPECT_EQ(State().DeviceInfo.*c.field, c.stored.value_or(0)) << c.name;
    EXPECT_EQ(State().AdcInput.Rate, 800.0f);
  });
}

TEST_F(SettingsStore, StoredDacValuesOutsideTheirLimitsLoadAsZero) {
  Store(kModule, "DACChType1", 9);
  Store(kModule, "DACChAmp2", 0x8000);  // -32768: below ChannelMin
  Store(kModule, "DACChBase1", 0x7FFF);
  Store(kModule, "DACChPhase1", 1.0f);
  Store(kModule, "DACChPhase2", 0.999f);
  Opened([] {
    const DacInfoRecord& dac = State().DacInfo;
    State().DacInfo.Channels[0].Type = 3;
    LoadDacSettings("SN42");
    // No stored rate and none set: the default.
    EXPECT_EQ(std::tuple(dac.Channels[0].Type, dac.Channels[1].Amp, dac.Channels[0].Base, dac.Channels[0].Phase,
                         dac.Channels[1].Phase, dac.Rate),
              std::tuple(0, 0, 32767, 0.0f, 0.999f, 100.0f));
  });
}

}  // namespace
}  // namespace e14
