// The settings store over the platform's registry: value names, families,
// key paths and the load and save rules.
#include <cstring>
#include <latch>
#include <thread>

#include "driver/mE14_x40.h"
#include "driver/mL_Card.h"
#include "tests/settings/RegistryFixture.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

using testing::InFreshThread;

const std::string kBase = "Software\\Tervo\\ADC\\L-Card\\E-140";
const std::string kModule = kBase + "\\SN42";

std::vector<uint8_t> Dword(uint32_t value) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

uint32_t FloatBits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  return bits;
}

class SettingsStore : public RegistryTest {
 protected:
  // A driver state as the first object and a 16-bit DAC module leave it.
  static void Prepare() {
    DriverState& s = State();
    OpenSettingsKey("E-140");
    for (int i = 0; i < kLogicalChannels; ++i) s.DeviceInfo.ChannelMap[i] = {static_cast<uint8_t>(i), false};
    s.DacInfo.ChannelsCount = 2;
    s.DacInfo.ChannelMax = 32767;
    s.DacInfo.ChannelMin = -32767;
    s.DacInfo.RateMax = 200000.0f;
  }
};

TEST_F(SettingsStore, OpeningTheKeyNamesItAfterTheDriver) {
  Store(kBase, "", kRegSz, Bytes("wrong"));
  InFreshThread([this] {
    OpenSettingsKey("E-140");
    EXPECT_EQ(State().SettingsKeyPath, kBase);
    EXPECT_EQ(reg_.GetString(""), "");  // reg_ looks at HKCU\Software
    std::string name;
    EXPECT_TRUE(reg_.ReadStringAt(kCurrentUser, kBase, "", name));
    EXPECT_EQ(name, "E-140");
  });
}

TEST_F(SettingsStore, ChannelMapBytesApplyUpToTheChannelCount) {
  std::vector<uint8_t> forty(40, 0x25);
  Store(kBase, "Channels", kRegBinary, forty);
  InFreshThread([this] {
    Prepare();
    LoadSettings("");
    const auto& map = State().DeviceInfo.ChannelMap;
    EXPECT_EQ(map[31].Input, 5);
    EXPECT_TRUE(map[31].SingleEnded);
    EXPECT_EQ(State().AdcInfo.ChannelNames[31], "X6");

    Store(kBase, "Channels", kRegBinary, {0x45, 0x00, 0x3F, 0x20});
    LoadSettings("");
    EXPECT_EQ(map[0].Input, 5);
    EXPECT_FALSE(map[0].SingleEnded);  // bit 6 is not the mode
    EXPECT_EQ(map[2].Input, 31);
    EXPECT_TRUE(map[2].SingleEnded);
    EXPECT_EQ(map[3].Input, 0);
    EXPECT_EQ(map[4].Input, 5);  // beyond the stored bytes: kept
    EXPECT_TRUE(map[4].SingleEnded);
  });
}

TEST_F(SettingsStore, SavedChannelBytesCarryInputAndMode) {
  InFreshThread([this] {
    Prepare();
    State().DeviceInfo.ChannelMap[17] = {17, true};
    State().DeviceInfo.ChannelMap[3] = {35, false};
    SaveSettings("");
    const Stored stored = Fetch(kBase, "Channels");
    ASSERT_EQ(stored.Result, kErrorSuccess);
    ASSERT_EQ(stored.Type, kRegBinary);
    ASSERT_EQ(stored.Data.size(), 32u);
    EXPECT_EQ(stored.Data[17], 49);
    EXPECT_EQ(stored.Data[3], 3);
  });
}

TEST_F(SettingsStore, RatesOutsideTheLimitsAreNeitherLoadedNorSaved) {
  InFreshThread([this] {
    Prepare();
    State().AdcInput.Rate = 500.0f;
    for (float stored : {0.0f, -10.0f, 100001.0f}) {
      Store(kBase, "Rate", kRegDword, Dword(FloatBits(stored)));
      LoadSettings("");
      EXPECT_EQ(State().AdcInput.Rate, 500.0f) << stored;
    }
    Store(kBase, "Rate", kRegDword, Dword(FloatBits(250.0f)));
    LoadSettings("");
    EXPECT_EQ(State().AdcInput.Rate, 250.0f);
    State().AdcInput.Rate = 0.0f;
    SaveSettings("");
    EXPECT_EQ(Fetch(kBase, "Rate").Data, Dword(FloatBits(250.0f)));  // the stored value survives
  });
}

TEST_F(SettingsStore, ModuleValuesRoundTripInTheirFamilies) {
  InFreshThread([this] {
    Prepare();
    DriverState& s = State();
    s.DeviceInfo.SynchroInputMode = 3;
    s.DeviceInfo.SynchroADPorog = -500;
    s.DioState.DOStartEnabled = true;
    s.DioState.DOStartValue = 0x1234;
    s.DacInfo.Rate = 250.0f;
    s.DacInfo.Channels[1] = {0, 4, -1000, 200, 0, 0.25f};
    SaveSettings("  SN42 ");  // spaces around the serial are not part of the key
    EXPECT_EQ(Fetch(kModule, "SynchroADPorog").Data, Dword(0x0000FE0C));
    EXPECT_EQ(Fetch(kModule, "SynchroInputMode").Type, kRegDword);
    EXPECT_EQ(Fetch(kModule, "DACChRate").Data, Dword(0x437A0000));
    EXPECT_EQ(Fetch(kModule, "DACChAmp2").Data, Dword(0x0000FC18));
    EXPECT_EQ(Fetch(kModule, "DOStartValue").Data, Dword(0x1234));
    EXPECT_NE(Fetch(kModule, "DOStopValue").Result, kErrorSuccess);

    s.DeviceInfo = {};
    s.DioState = {};
    s.DacInfo.Channels = {};
    s.DacInfo.Rate = 0;
    LoadSettings("SN42");
    LoadDacSettings("SN42");
    EXPECT_EQ(s.DeviceInfo.SynchroInputMode, 3);
    EXPECT_EQ(s.DeviceInfo.SynchroADPorog, -500);
    EXPECT_TRUE(s.DioState.DOStartEnabled);
    EXPECT_EQ(s.DioState.DOStartValue, 0x1234);
    EXPECT_FALSE(s.DioState.DOStopEnabled);
    EXPECT_EQ(s.DacInfo.Rate, 250.0f);
    EXPECT_EQ(s.DacInfo.Channels[1].Type, 4);
    EXPECT_EQ(s.DacInfo.Channels[1].Amp, -1000);
    EXPECT_EQ(s.DacInfo.Channels[1].Phase, 0.25f);
  });
}

TEST_F(SettingsStore, DisabledOutputWordsAreRemoved) {
  Store(kModule, "DOStopValue", kRegDword, Dword(7));
  InFreshThread([this] {
    Prepare();
    LoadSettings("SN42");
    EXPECT_TRUE(State().DioState.DOStopEnabled);
    State().DioState.DOStopEnabled = false;
    SaveSettings("SN42");
    EXPECT_NE(Fetch(kModule, "DOStopValue").Result, kErrorSuccess);
    State().DioState.DOStopValue = 9;
    LoadSettings("SN42");
    EXPECT_FALSE(State().DioState.DOStopEnabled);
    EXPECT_EQ(State().DioState.DOStopValue, 0);  // missing: 0, the flag untouched
  });
}

TEST_F(SettingsStore, StoredDacValuesOutsideTheirLimitsLoadAsZero) {
  Store(kModule, "DACChType1", kRegDword, Dword(9));
  Store(kModule, "DACChAmp2", kRegDword, Dword(0x8000));  // -32768: below ChannelMin
  Store(kModule, "DACChBase1", kRegDword, Dword(0x7FFF));
  Store(kModule, "DACChPhase1", kRegDword, Dword(FloatBits(1.0f)));
  Store(kModule, "DACChPhase2", kRegDword, Dword(FloatBits(0.999f)));
  InFreshThread([] {
    Prepare();
    DacInfoRecord& dac = State().DacInfo;
    dac.Channels[0].Type = 3;
    LoadDacSettings("SN42");
    EXPECT_EQ(dac.Channels[0].Type, 0);
    EXPECT_EQ(dac.Channels[1].Amp, 0);
    EXPECT_EQ(dac.Channels[0].Base, 32767);
    EXPECT_EQ(dac.Channels[0].Phase, 0.0f);
    EXPECT_EQ(dac.Channels[1].Phase, 0.999f);
    EXPECT_EQ(dac.Rate, 100.0f);  // no stored rate and none set: the default
  });
}

// Stored values are taken as they are (the page and the ADC routines guard
// what they index with them); a missing one reads as 0.
TEST_F(SettingsStore, ModuleSubkeyOverridesSynchronisationAsStored) {
  Store(kModule, "Rate", kRegDword, Dword(FloatBits(800.0f)));
  Store(kModule, "SynchroADChannel", kRegDword, Dword(77));
  Store(kModule, "SynchroADType", kRegDword, Dword(1));
  Store(kModule, "SynchroADMode", kRegDword, Dword(5));
  InFreshThread([] {
    Prepare();
    State().DeviceInfo.SynchroInputMode = 2;
    LoadSettings("SN42");
    const DeviceInfoRecord& info = State().DeviceInfo;
    EXPECT_EQ(info.SynchroInputMode, 0);
    EXPECT_EQ(info.SynchroADChannel, 77);
    EXPECT_EQ(info.SynchroADType, 1);
    EXPECT_EQ(info.SynchroADMode, 5);
    EXPECT_EQ(State().AdcInput.Rate, 800.0f);
  });
}

TEST_F(SettingsStore, AnUnknownModuleChangesNothingUntilSaved) {
  InFreshThread([this] {
    Prepare();
    State().DeviceInfo.SynchroInputMode = 2;
    LoadSettings("NEW7");
    LoadDacSettings("NEW7");
    EXPECT_EQ(State().DeviceInfo.SynchroInputMode, 2);
    EXPECT_FALSE(reg_.KeyExists(kCurrentUser, kBase + "\\NEW7"));
    SaveSettings("NEW7");
    EXPECT_TRUE(reg_.KeyExists(kCurrentUser, kBase + "\\NEW7"));
  });
}

// Host threads are apartments of their own: each keeps to its module's key
// while the others load and save theirs.
TEST_F(SettingsStore, ThreadsLoadAndSaveTheirOwnModulesAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 5;
  std::latch start(kThreads);
  std::vector<std::thread> hosts;
  for (int t = 0; t < kThreads; ++t) {
    hosts.emplace_back([t, &start] {
      const std::string serial = "SN" + std::to_string(t);
      int16_t& porog = State().DeviceInfo.SynchroADPorog;
      start.arrive_and_wait();
      OpenSettingsKey("E-140");
      for (int round = 1; round <= kRounds; ++round) {
        porog = static_cast<int16_t>(100 * t + round);
        SaveSettings(serial);
        porog = 0;
        LoadSettings(serial);
        ASSERT_EQ(porog, 100 * t + round) << serial;
      }
    });
  }
  for (std::thread& host : hosts) host.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(Fetch(kBase + "\\SN" + std::to_string(t), "SynchroADPorog").Data,
              Dword(100 * t + kRounds));
  }
}

}  // namespace
}  // namespace e14
