// Arbitrary registry contents under the driver's settings keys (the names it
// reads and others, any type, any size), written through the registry calls,
// then the settings loads on the state of a driver that has just opened a
// revision B module with a DAC. Every field a load may set must end inside
// its documented range.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>
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
  std::tie(dac.ChannelsCount, dac.ChannelMin, dac.ChannelMax, dac.RateMax) =
      std::tuple(kDacChannels, -32767, 32767, 200000.0f);
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

void CheckAdcRanges(const DriverState& s, float rateBefore) {
  E14_FUZZ_CHECK((s.AdcInput.Rate > 0.0f && s.AdcInput.Rate <= s.AdcInput.RateMax) ||
                 std::bit_cast<uint32_t>(s.AdcInput.Rate) == std::bit_cast<uint32_t>(rateBefore));
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

  const float rateLoaded = s.AdcInput.Rate;
  LoadSettings(subkey);
  LoadDacSettings(subkey);
  CheckAdcRanges(s, rateLoaded);
  // A module key that does not exist changes nothing: the DAC fields stay as prepared.
  if (moduleKey) CheckDacRanges(s.DacInfo);
  return 0;
}
