#include "backend/mE140_LDevU.h"

#include <cmath>
#include <cstdlib>

#include "driver/DriverState.h"
#include "driver/mL_Card.h"
#include "platform/Library.h"

namespace e14 {

namespace {
// The leading number of a text, rounded; 0 when there is none.
int16_t LeadingNumber(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(value) || std::fabs(value) > 32767.0) return 0;
  return static_cast<int16_t>(RoundHalfEven(value));
}
}  // namespace

std::unique_ptr<VendorWrapper> mE140_LDevU::CreateWrapper() { return std::make_unique<TUE14140>(); }

bool mE140_LDevU::LibraryUsable() const {
  const VendorWrapper* device = Device();
  return device != nullptr && device->LibraryMajor() == 3 && device->LibraryMinor() >= 4;
}

std::string mE140_LDevU::ReinstallMessage() const {
  return "Please reinstall " + State().AdcInfo.Name + " driver (LUsbApi v3.4 is required)!";
}

void mE140_LDevU::ApplyRevisionLimits(char revision) {
  AdcInputRecord& in = State().AdcInput;
  const bool newer = revision > 'A';
  in.RateMax = newer ? 200000.0f : 100000.0f;
  in.RequestedSize = newer ? 262144 : 131072;
}

void mE140_LDevU::ReadFirmwareVersion(int16_t& major, int16_t& minor) {
  const std::string text = DescriptorText(Device()->Layout().Firmware, kFirmwareLength);
  const auto point = text.find('.');
  major = LeadingNumber(text.substr(0, point));
  minor = point == std::string::npos ? int16_t{0} : LeadingNumber(text.substr(point + 1));
}

void mE140_LDevU::DescribeDac() {
  DriverState& s = State();
  DacInfoRecord& dac = s.DacInfo;
  if (!NewerRevision()) {
    DescribeTwelveBitDac();
    return;
  }
  dac.Resolution = 16;
  dac.ChannelMax = 32767;
  dac.ChannelMin = -32767;
  dac.UnitScale = 6553.4f;
  const DeviceInfoRecord& info = s.DeviceInfo;
  if ((info.FirmwareMajor == 3 && info.FirmwareMinor >= 10) || info.FirmwareMajor >= 4) {
    dac.RateMax = 200000.0f;
    dac.MaxLen = 5120;
    Wrapper().StopDac();
    LoadDacSettings(info.SerialNumber);
  }
}

int16_t mE140_LDevU::CalibratedDacCode(int16_t channel) {
  const DacInfoRecord& dac = State().DacInfo;
  const DescriptorLayout& layout = Device()->Layout();
  const double offset = DescriptorDouble(layout.DacOffset + 8 * channel);
  const double gain = DescriptorDouble(layout.DacGain + 8 * channel);
  const double x = (dac.Channels[channel].Value + offset) * gain;
  if (x >= dac.ChannelMax) return static_cast<int16_t>(dac.ChannelMax);
  if (x <= dac.ChannelMin) return static_cast<int16_t>(dac.ChannelMin);
  if (std::isnan(x)) return 0;  // damaged calibration: the uncorrected zero level
  return static_cast<int16_t>(RoundHalfEven(x));
}

void mE140_LDevU::SendBoth() { Wrapper().DacSamples(CalibratedDacCode(0), CalibratedDacCode(1)); }

void mE140_LDevU::WriteDacValue(int16_t channel, int16_t code) {
  if (Device() == nullptr || !TakeDacValue(channel, code)) return;
  if (NewerRevision()) {
    SendBoth();
  } else {
    Device()->DacSample(CalibratedDacCode(channel), static_cast<uint16_t>(channel));
  }
}

void mE140_LDevU::SetStaticLevels() {
  DacInfoRecord& dac = State().DacInfo;
  for (int16_t c = 0; c < dac.ChannelsCount && c < kDacChannels; ++c)
    dac.Channels[c].Value = StaticDacLevel(dac.Channels[c]);
}

void mE140_LDevU::StopDacOutput() {
  DacInfoRecord& dac = State().DacInfo;
  if (Device() == nullptr) return;
  if (!NewerRevision()) {
    for (int16_t c = 0; c < dac.ChannelsCount && c < kDacChannels; ++c) {
      dac.Channels[c].Value = 0;
      Device()->DacSample(CalibratedDacCode(c), static_cast<uint16_t>(c));
    }
    return;
  }
  if (dac.Busy) {
    Wrapper().StopDac();
    dac.Busy = false;
    return;
  }
  dac.Channels[0].Value = dac.Channels[1].Value = 0;
  SendBoth();
}

void mE140_LDevU::StartDacOutput() {
  DriverState& s = State();
  DacInfoRecord& dac = s.DacInfo;
  if (Device() == nullptr) return;
  if (!NewerRevision()) {
    SetStaticLevels();
    for (int16_t c = 0; c < dac.ChannelsCount && c < kDacChannels; ++c)
      Device()->DacSample(CalibratedDacCode(c), static_cast<uint16_t>(c));
    return;
  }
  TUE14140& device = Wrapper();
  device.StopDac();
  if (dac.RateMax > 0.0f && dac.WaveChannels >= 1) {
    dac.Channels[0].Value = dac.Channels[1].Value = 0;
    DacSettings settings;
    settings.RateKHz = dac.DevRate / 1000.0;
    settings.Points = static_cast<uint16_t>(dac.WaveLength);
    settings.StartCode0 = CalibratedDacCode(0);
    settings.StartCode1 = CalibratedDacCode(1);
    // The module takes whole runs of 128 points; the wave holds MaxLen + 1.
    const size_t points = (static_cast<size_t>(std::max<int16_t>(dac.WaveLength, 0)) + 127) / 128 * 128;
    if (s.DacWave.size() < 2 * (points + 1)) s.DacWave.resize(2 * (points + 1), 0);
    const bool started = device.WriteDacParams(settings) &&
                         device.WriteDacData(s.DacWave.data() + 2, static_cast<uint32_t>(2 * points)) &&
                         device.StartDac();
    if (started) {
      dac.Busy = true;
    } else {
      platform::ShowMessage(device.LibraryErrorText());
    }
    return;
  }
  SetStaticLevels();
  SendBoth();
}

}  // namespace e14
