// Arbitrary registry contents under the driver's settings keys (the names it
// reads and others, any type, any size), written through the registry calls,
// then the settings loads on the state of a driver that has just opened a
// revision B module with a DAC. Every field a load may set must end inside
// its documented range; a module subkey that does not exist changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "backend/AdcConfiguration.h"
#include "driver/mE14_x40.h"
#include "driver/mL_Card.h"
#include "fuzz/Check.h"
#include "fuzz/PrivateConfigHome.h"
#include "settings/RegistryApi.h"

namespace {

using namespace e14;

constexpr char kSerial[] = "SIM00001";
constexpr float kAdcRateMax = 200000.0f;
constexpr float kDacRateMax = 200000.0f;
constexpr int32_t kDacMin = -32767;
constexpr int32_t kDacMax = 32767;

// The names the loads read, and some that differ from them only a little.
const char* const kNames[] = {
    "Rate", "Channels",
    "SynchroInputMode", "SynchroADType", "SynchroADMode", "SynchroADChannel", "SynchroADRange", "SynchroADPorog",
    "DACChRate", "DACChType1", "DACChType2", "DACChAmp1", "DACChAmp2", "DACChBase1", "DACChBase2",
    "DACChPhase1", "DACChPhase2", "DOStartValue", "DOStopValue",
    "", "rate", "DACChType3", "DACChPhase0"};

// Values a fresh start and the module's description give, with the fields a
// load may replace set to what the input says (within their ranges, as a
// running driver keeps them, except the DAC fields a load must mend).
void PrepareState(FuzzedDataProvider& in) {
  DriverState& s = State();
  s.AdcInfo.ChannelsCount = kLogicalChannels;
  s.AdcInput.RateMax = kAdcRateMax;
  s.AdcInput.Rate = in.ConsumeFloatingPointInRange(0.0f, kAdcRateMax);
  for (ChannelInput& map : s.DeviceInfo.ChannelMap) {
    map.Input = in.ConsumeIntegralInRange<uint8_t>(0, 31);
    map.SingleEnded = in.ConsumeBool();
  }
  DeviceInfoRecord& info = s.DeviceInfo;
  info.SerialNumber = kSerial;
  info.SynchroInputMode = in.ConsumeIntegralInRange<int16_t>(0, 3);
  info.SynchroADType = in.ConsumeIntegralInRange<int16_t>(0, 1);
  info.SynchroADMode = in.ConsumeIntegralInRange<int16_t>(0, 1);
  info.SynchroADChannel = in.ConsumeIntegralInRange<int16_t>(0, kLogicalChannels - 1);
  info.SynchroADRange = in.ConsumeIntegralInRange<int16_t>(0, kRangeCount - 1);
  info.SynchroADPorog = in.ConsumeIntegral<int16_t>();
  s.DioState.DOStartEnabled = in.ConsumeBool();
  s.DioState.DOStopEnabled = in.ConsumeBool();
  DacInfoRecord& dac = s.DacInfo;
  dac.ChannelsCount = kDacChannels;
  dac.ChannelMin = kDacMin;
  dac.ChannelMax = kDacMax;
  dac.RateMax = kDacRateMax;
  dac.Rate = in.ConsumeFloatingPoint<float>();
  for (DacChannel& ch : dac.Channels) {
    ch.Type = in.ConsumeIntegral<int16_t>();
    ch.Amp = in.ConsumeIntegral<int16_t>();
    ch.Base = in.ConsumeIntegral<int16_t>();
    ch.Phase = in.ConsumeFloatingPoint<float>();
  }
}

void StoreValues(FuzzedDataProvider& in, const std::string& base, bool moduleKey) {
  RegistryApi& api = PlatformRegistry();
  const std::string module = base + "\\" + kSerial;
  if (moduleKey) {
    RegHandle key = 0;
    E14_FUZZ_CHECK(api.CreateKey(kHkeyCurrentUser, module, kKeyWrite, key) == kErrorSuccess);
    api.CloseKey(key);
  }
  const int count = in.ConsumeIntegralInRange(0, 32);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    const std::string& path = moduleKey && in.ConsumeBool() ? module : base;
    const std::string name = in.ConsumeBool()
                                 ? std::string(kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)])
                                 : in.ConsumeRandomLengthString(16);
    const uint32_t type = in.ConsumeBool() ? kRegDword : in.ConsumeIntegralInRange<uint32_t>(0, 11);
    const size_t length = in.ConsumeBool() ? 4 : in.ConsumeIntegralInRange<size_t>(0, 48);
    const std::vector<uint8_t> data = in.ConsumeBytes<uint8_t>(length);
    RegHandle key = 0;
    E14_FUZZ_CHECK(api.CreateKey(kHkeyCurrentUser, path, kKeyWrite, key) == kErrorSuccess);
    E14_FUZZ_CHECK(api.SetValue(key, name, type, data.data(), static_cast<uint32_t>(data.size())) ==
                   kErrorSuccess);
    api.CloseKey(key);
  }
}

// What a load may change, to see that a missing subkey changes none of it.
struct Loaded {
  float Rate;
  std::array<ChannelInput, kLogicalChannels> Map;
  int16_t Synchro[6];
  int32_t DoStart, DoStop;
  bool DoStartEnabled, DoStopEnabled;
  float DacRate;
  std::array<DacChannel, kDacChannels> Dac;

  static Loaded Of(const DriverState& s) {
    const DeviceInfoRecord& i = s.DeviceInfo;
    return {s.AdcInput.Rate,
            i.ChannelMap,
            {i.SynchroInputMode, i.SynchroADType, i.SynchroADMode, i.SynchroADChannel, i.SynchroADRange,
             i.SynchroADPorog},
            s.DioState.DOStartValue,
            s.DioState.DOStopValue,
            s.DioState.DOStartEnabled,
            s.DioState.DOStopEnabled,
            s.DacInfo.Rate,
            s.DacInfo.Channels};
  }
  bool SameAs(const Loaded& o) const {
    for (int c = 0; c < kLogicalChannels; ++c)
      if (Map[c].Input != o.Map[c].Input || Map[c].SingleEnded != o.Map[c].SingleEnded) return false;
    for (int c = 0; c < kDacChannels; ++c) {
      const DacChannel &a = Dac[c], &b = o.Dac[c];
      if (a.Type != b.Type || a.Amp != b.Amp || a.Base != b.Base || !Same(a.Phase, b.Phase)) return false;
    }
    return Same(Rate, o.Rate) && std::equal(std::begin(Synchro), std::end(Synchro), std::begin(o.Synchro)) &&
           DoStart == o.DoStart && DoStop == o.DoStop && DoStartEnabled == o.DoStartEnabled &&
           DoStopEnabled == o.DoStopEnabled && Same(DacRate, o.DacRate);
  }
  static bool Same(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
};

void CheckAdcRanges(const DriverState& s, float rateBefore) {
  E14_FUZZ_CHECK((s.AdcInput.Rate > 0.0f && s.AdcInput.Rate <= s.AdcInput.RateMax) ||
                 Loaded::Same(s.AdcInput.Rate, rateBefore));
  for (const ChannelInput& map : s.DeviceInfo.ChannelMap) E14_FUZZ_CHECK(map.Input <= 31);
  // Synchronisation values are taken as stored; what the ADC routines make
  // of them stays a channel code of an input and a range.
  AdcParams params{};
  FillSyncParameters(params);
  E14_FUZZ_CHECK(params.SynchroADChannel < 64 * kRangeCount);
}

void CheckDacRanges(const DacInfoRecord& dac) {
  E14_FUZZ_CHECK(dac.Rate > 0.0f && dac.Rate <= dac.RateMax);
  for (const DacChannel& ch : dac.Channels) {
    E14_FUZZ_CHECK(ch.Type >= 0 && ch.Type <= 6);
    E14_FUZZ_CHECK(ch.Amp >= dac.ChannelMin && ch.Amp <= dac.ChannelMax);
    E14_FUZZ_CHECK(ch.Base >= dac.ChannelMin && ch.Base <= dac.ChannelMax);
    E14_FUZZ_CHECK(ch.Phase >= 0.0f && ch.Phase < 1.0f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UsePrivateConfigHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  fuzz::ClearStore();
  OpenSettingsKey("E-140");
  PrepareState(in);
  DriverState& s = State();
  const bool moduleKey = in.ConsumeBool();
  // The serial as the back-end reads it may carry spaces the key leaves out.
  const std::string subkey = in.ConsumeBool() ? std::string(" ") + kSerial + "  " : kSerial;
  StoreValues(in, s.SettingsKeyPath, moduleKey);

  const float rateBefore = s.AdcInput.Rate;
  LoadSettings("");
  CheckAdcRanges(s, rateBefore);

  const Loaded before = Loaded::Of(s);
  LoadSettings(subkey);
  LoadDacSettings(subkey);
  if (!moduleKey) {
    E14_FUZZ_CHECK(Loaded::Of(s).SameAs(before));
    RegHandle key = 0;
    E14_FUZZ_CHECK(PlatformRegistry().OpenKey(kHkeyCurrentUser, s.SettingsKeyPath + "\\" + kSerial, kKeyRead,
                                              key) == kErrorFileNotFound);
    return 0;
  }
  CheckAdcRanges(s, before.Rate);
  CheckDacRanges(s.DacInfo);
  return 0;
}
