// Driver-wide state shared by every driver object of one host thread, the
// dispatcher, both back-ends, the settings store and the settings pages.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/StreamCounters.h"
#include "driver/mTypes3.h"

namespace e14 {

class Backend;

constexpr int kRangeCount = 4;
constexpr int kLogicalChannels = 32;
constexpr int kMaxTableEntries = 128;  // size of the module's control table
constexpr int kDacChannels = 2;

struct AdcInfoRecord {
  std::string DeviceType = "E14-140";
  std::string Name = "E-140";
  uint8_t Resolution = 14;
  int16_t RangesCount = kRangeCount;
  std::array<std::string, kRangeCount> Ranges{};
  std::array<float, kRangeCount> UnitScale{};
  std::array<float, kRangeCount> UnitOffset{};
  int16_t ChannelsCount = kLogicalChannels;
  std::array<std::string, kLogicalChannels> ChannelNames{};
  std::array<int16_t, kLogicalChannels> ChannelRange{};
};

// Acquisition parameters; the ring itself carries its geometry and positions.
struct AdcInputRecord {
  std::vector<int16_t> ChTable{0};
  int16_t ChCount = 1;
  float RateMax = 100000.0f;
  float Rate = 0.0f;
  int32_t RequestedSize = 131072;
  FrameRing Ring;
  StreamCounters Counters;
};

struct ChannelInput {
  uint8_t Input = 0;
  bool SingleEnded = false;
};

struct DeviceInfoRecord {
  std::string BoardName;
  std::string Revision;
  std::string SerialNumber;
  std::string Mcu;
  int32_t ClockHz = 0;
  int16_t FirmwareMajor = 0;
  int16_t FirmwareMinor = 0;
  std::string BoardInfo;
  std::array<ChannelInput, kLogicalChannels> ChannelMap{};
  std::array<int16_t, kLogicalChannels> ChannelCodes{};
  int16_t SynchroInputMode = 0;
  int16_t SynchroADType = 0;
  int16_t SynchroADMode = 0;
  int16_t SynchroADChannel = 0;
  int16_t SynchroADRange = 0;
  int16_t SynchroADPorog = 0;
};

struct DioStateRecord {
  bool Detected = false;
  uint8_t DIBits = 0;
  uint8_t DOBits = 0;
  int32_t DIValue = 0;
  int32_t DOValue = 0;
  bool DOStartEnabled = false;
  bool DOStopEnabled = false;
  int32_t DOStartValue = 0;
  int32_t DOStopValue = 0;
};

// Waveform types (DacChannel::Type). Types above kDacDc need the replay
// buffer; a value outside this list outputs 0.
enum DacWaveType : int16_t {
  kDacOff = 0,
  kDacDc = 1,
  kDacNoise = 2,
  kDacSine = 3,
  kDacPulse = 4,
  kDacRamp = 5,
  kDacTriangle = 6,
};

struct DacChannel {
  int16_t Value = 0;
  int16_t Type = kDacOff;  // DacWaveType
  int16_t Amp = 0;
  int16_t Base = 0;
  int16_t ZeroCal = 0;
  float Phase = 0.0f;
};

// The code a channel holds when the output is not replayed: DC outputs its
// amplitude, every other type rests at 0.
inline int16_t StaticDacLevel(const DacChannel& channel) {
  return channel.Type == kDacDc ? channel.Amp : int16_t{0};
}

struct DacInfoRecord {
  uint8_t Resolution = 0;
  bool Busy = false;
  int32_t ChannelMax = 0;
  int32_t ChannelMin = 0;
  double ChannelMaxReal = 0.0;
  double ChannelMinReal = 0.0;
  int16_t RangesCount = 0;
  std::vector<std::string> Ranges;
  float UnitScale = 0.0f;
  float UnitOffset = 0.0f;
  int16_t ChannelsCount = 0;
  float RateMax = 0.0f;
  float DevRate = 0.0f;
  int16_t MaxLen = 0;
  int16_t WaveTotal = 0;
  int16_t WaveLength = 0;
  int16_t WaveChannels = 0;
  float Rate = 0.0f;
  std::array<DacChannel, kDacChannels> Channels{};
};

struct DeviceListEntry {
  std::string Bus;
  std::string Model;
  std::string Serial;
  std::string Port;
  int16_t Slot = 0;
};

struct DriverState {
  int32_t InstanceCount = 0;
  bool Detected = false;
  int16_t DeviceToken = 0;
  bool HasDac = false;
  std::atomic<bool> Busy{false};  // also cleared by the worker when the module fails
  int16_t Backend = 0;
  std::string AdcLastError;
  int16_t LastSetupPage = 0;
  int16_t LastDacChannel = 0;  // channel the analog output page edited when it last closed

  AdcInfoRecord AdcInfo;
  AdcInputRecord AdcInput;
  DeviceInfoRecord DeviceInfo;
  DioStateRecord DioState;
  DacInfoRecord DacInfo;
  // Interleaved waveform points: element (channel c, point k) at c + 2k.
  std::vector<int16_t> DacWave;
  int32_t RandomState = 0;

  int32_t DeviceCount = 0;
  std::vector<DeviceListEntry> DeviceList;

  std::string SettingsKeyPath;
  std::string HelpFile;

  // The two back-ends, created on first use by the installed factory.
  std::array<std::unique_ptr<e14::Backend>, 2> Backends;
};

// The state of the calling thread (one per host apartment thread).
DriverState& State();

}  // namespace e14
