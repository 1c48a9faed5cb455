#include "driver/mL_Card.h"

#include <vector>

#include "driver/mE14_x40.h"
#include "platform/Platform.h"
#include "platform/ThreadExit.h"
#include "settings/cRegistry.h"

namespace e14 {

namespace {

constexpr uint32_t kCurrentUser = static_cast<uint32_t>(kHkeyCurrentUser);

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

enum class KeyChoice { Base, Module, Missing };

// Points the registry object at the base key or the module subkey. Loads of
// a missing module subkey stop here without creating it; saves create it.
KeyChoice SelectKey(const std::string& subkey, bool forLoad) {
  const std::string serial = Trim(subkey);
  cRegistry& reg = SettingsRegistry();
  reg.Root(kCurrentUser);
  const std::string& base = State().SettingsKeyPath;
  if (serial.empty()) {
    reg.Key(base);
    return KeyChoice::Base;
  }
  const std::string path = base + "\\" + serial;
  if (forLoad && !reg.KeyExists(kCurrentUser, path)) return KeyChoice::Missing;
  reg.Key(path);
  // A subkey that could not be created would leave the previous key current:
  // writing the module values there would mix them into another key.
  return reg.Key() == path ? KeyChoice::Module : KeyChoice::Missing;
}

const char* const kSynchroNames[] = {"SynchroInputMode", "SynchroADType",    "SynchroADMode",
                                     "SynchroADChannel", "SynchroADRange",   "SynchroADPorog"};

std::array<int16_t*, 6> SynchroFields(DeviceInfoRecord& info) {
  return {&info.SynchroInputMode, &info.SynchroADType,  &info.SynchroADMode,
          &info.SynchroADChannel, &info.SynchroADRange, &info.SynchroADPorog};
}

void LoadDoWord(cRegistry& reg, const char* name, int32_t& value, bool& enabled) {
  if (reg.ReadLong(name, value, 0)) enabled = true;
}

void SaveDoWord(cRegistry& reg, const char* name, int32_t value, bool enabled) {
  if (enabled) {
    reg.WriteLong(name, value);
  } else {
    reg.DeleteValue(kCurrentUser, reg.Key(), name);
  }
}

bool InDacLimits(int16_t code, const DacInfoRecord& dac) {
  return code >= dac.ChannelMin && code <= dac.ChannelMax;
}

}  // namespace

cRegistry& SettingsRegistry() {
  // One per thread, as the driver state is: the current key belongs to one
  // apartment. A plain pointer, deleted when the thread ends
  // (platform/ThreadExit.h).
  thread_local cRegistry* registry = nullptr;
  if (registry == nullptr) {
    registry = new cRegistry;
    platform::AtThreadExit(
        [](void* ended) {
          registry = nullptr;
          delete static_cast<cRegistry*>(ended);
        },
        registry);
  }
  return *registry;
}

void OpenSettingsKey(const std::string& name) {
  DriverState& s = State();
  if (s.AdcInfo.DeviceType.empty()) s.AdcInfo.DeviceType = name;
  s.SettingsKeyPath = std::string("Software\\Tervo\\ADC") + "\\L-Card" + "\\" + name;
  cRegistry& reg = SettingsRegistry();
  reg.Root(kCurrentUser);
  reg.Key(s.SettingsKeyPath);
  // Setting the key it already holds checks nothing; the key may have been
  // removed since the registry object was made.
  if (!reg.KeyExists(kCurrentUser, s.SettingsKeyPath)) reg.CreateKey(kCurrentUser, s.SettingsKeyPath, "");
  if (reg.GetString("") != name) reg.WriteString("", name);
}

void LocateHelpFile() {
  const std::string folder = platform::ComponentFolder();
  const std::string name = platform::FindFirstMatchingFile(folder, "ZIroz*.chm");
  if (name.size() > 4) State().HelpFile = folder + platform::PathSeparator() + name;
}

void LoadSettings(const std::string& subkey) {
  const KeyChoice choice = SelectKey(subkey, true);
  if (choice == KeyChoice::Missing) return;
  DriverState& s = State();
  cRegistry& reg = SettingsRegistry();

  float rate = 0.0f;
  if (reg.ReadSingle("Rate", rate, 0.0f) && rate > 0.0f && rate <= s.AdcInput.RateMax)
    s.AdcInput.Rate = rate;

  std::vector<uint8_t> channels;
  if (reg.ReadBinaryAt(kCurrentUser, reg.Key(), "Channels", channels)) {
    const size_t count = std::min<size_t>(channels.size(), s.AdcInfo.ChannelsCount);
    for (size_t i = 0; i < count; ++i) {
      s.DeviceInfo.ChannelMap[i].SingleEnded = (channels[i] & 32) != 0;
      s.DeviceInfo.ChannelMap[i].Input = channels[i] % 32;
    }
  }
  RebuildChannelCodes();
  if (choice != KeyChoice::Module) return;

  auto fields = SynchroFields(s.DeviceInfo);
  for (size_t i = 0; i < fields.size(); ++i) reg.ReadInteger(kSynchroNames[i], *fields[i], 0);
  LoadDoWord(reg, "DOStartValue", s.DioState.DOStartValue, s.DioState.DOStartEnabled);
  LoadDoWord(reg, "DOStopValue", s.DioState.DOStopValue, s.DioState.DOStopEnabled);
}

void LoadDacSettings(const std::string& subkey) {
  if (SelectKey(subkey, true) == KeyChoice::Missing) return;
  DacInfoRecord& dac = State().DacInfo;
  if (dac.ChannelsCount <= 0) return;
  cRegistry& reg = SettingsRegistry();
  reg.ReadSingle("DACChRate", dac.Rate, dac.Rate);
  if (!(dac.Rate > 0.0f && dac.Rate <= dac.RateMax)) dac.Rate = 100.0f;
  const int channels = std::min<int>(dac.ChannelsCount, kDacChannels);
  for (int c = 0; c < channels; ++c) {
    DacChannel& ch = dac.Channels[c];
    const std::string n = std::to_string(c + 1);
    reg.ReadInteger("DACChType" + n, ch.Type, ch.Type);
    if (ch.Type < kDacOff || ch.Type > kDacTriangle) ch.Type = kDacOff;
    reg.ReadInteger("DACChAmp" + n, ch.Amp, ch.Amp);
    if (!InDacLimits(ch.Amp, dac)) ch.Amp = 0;
    reg.ReadInteger("DACChBase" + n, ch.Base, ch.Base);
    if (!InDacLimits(ch.Base, dac)) ch.Base = 0;
    reg.ReadSingle("DACChPhase" + n, ch.Phase, ch.Phase);
    if (!(ch.Phase >= 0.0f && ch.Phase < 1.0f)) ch.Phase = 0.0f;
  }
}

void SaveSettings(const std::string& subkey) {
  const KeyChoice choice = SelectKey(subkey, false);
  if (choice == KeyChoice::Missing) return;
  DriverState& s = State();
  cRegistry& reg = SettingsRegistry();

  if (s.AdcInput.Rate > 0.0f && s.AdcInput.Rate <= s.AdcInput.RateMax)
    reg.WriteSingle("Rate", s.AdcInput.Rate);

  std::vector<uint8_t> channels(static_cast<size_t>(s.AdcInfo.ChannelsCount));
  for (size_t i = 0; i < channels.size() && i < kLogicalChannels; ++i) {
    const ChannelInput& map = s.DeviceInfo.ChannelMap[i];
    channels[i] = static_cast<uint8_t>(map.Input % 32 + (map.SingleEnded ? 32 : 0));
  }
  reg.WriteBinaryAt(kCurrentUser, reg.Key(), "Channels", channels);
  if (choice != KeyChoice::Module) return;

  auto fields = SynchroFields(s.DeviceInfo);
  for (size_t i = 0; i < fields.size(); ++i) reg.WriteInteger(kSynchroNames[i], *fields[i]);

  const DacInfoRecord& dac = s.DacInfo;
  if (dac.ChannelsCount > 0 && dac.RateMax > 0.0f) {
    reg.WriteSingle("DACChRate", dac.Rate);
    const int dacChannels = std::min<int>(dac.ChannelsCount, kDacChannels);
    for (int c = 0; c < dacChannels; ++c) {
      const DacChannel& ch = dac.Channels[c];
      const std::string n = std::to_string(c + 1);
      reg.WriteInteger("DACChType" + n, ch.Type);
      reg.WriteInteger("DACChAmp" + n, ch.Amp);
      reg.WriteInteger("DACChBase" + n, ch.Base);
      reg.WriteSingle("DACChPhase" + n, ch.Phase);
    }
  }
  SaveDoWord(reg, "DOStartValue", s.DioState.DOStartValue, s.DioState.DOStartEnabled);
  SaveDoWord(reg, "DOStopValue", s.DioState.DOStopValue, s.DioState.DOStopEnabled);
}

}  // namespace e14
