#include "backend/mE140_LDev.h"

#include <cmath>

#include "driver/DriverState.h"

namespace e14 {

std::unique_ptr<VendorWrapper> mE140_LDev::CreateWrapper() { return std::make_unique<TLE14140>(); }

bool mE140_LDev::LibraryUsable() const {
  const VendorWrapper* device = Device();
  return device != nullptr && device->LibraryMajor() == 3;
}

std::string mE140_LDev::ReinstallMessage() const {
  return "Please reinstall " + State().AdcInfo.Name + " driver (LUsbApi v.3 is required)!";
}

void mE140_LDev::ReadFirmwareVersion(int16_t& major, int16_t& minor) {
  const uint32_t version = Wrapper().FirmwareVersion();
  major = static_cast<int16_t>(version / 65536);
  minor = static_cast<int16_t>(version % 256);
}

void mE140_LDev::DescribeDac() {
  DacInfoRecord& dac = State().DacInfo;
  DescribeTwelveBitDac();
  for (int c = 0; c < kDacChannels; ++c) {
    const double offset = DescriptorDouble(Device()->Layout().DacOffset + 8 * c);
    dac.Channels[c].ZeroCal =
        std::fabs(offset) <= 100.0 ? static_cast<int16_t>(RoundHalfEven(offset)) : int16_t{0};
  }
}

void mE140_LDev::SendDac(int16_t channel) {
  const DacChannel& ch = State().DacInfo.Channels[channel];
  // The module takes the sum with 16-bit wrap-around.
  Device()->DacSample(static_cast<int16_t>(static_cast<uint16_t>(ch.Value + ch.ZeroCal)),
                      static_cast<uint16_t>(channel));
}

void mE140_LDev::WriteDacValue(int16_t channel, int16_t code) {
  if (Device() != nullptr && TakeDacValue(channel, code)) SendDac(channel);
}

void mE140_LDev::StopDacOutput() {
  DacInfoRecord& dac = State().DacInfo;
  if (Device() == nullptr) return;
  for (int16_t c = 0; c < dac.ChannelsCount && c < kDacChannels; ++c) {
    dac.Channels[c].Value = 0;
    SendDac(c);
  }
}

void mE140_LDev::StartDacOutput() {
  DacInfoRecord& dac = State().DacInfo;
  if (Device() == nullptr) return;
  for (int16_t c = 0; c < dac.ChannelsCount && c < kDacChannels; ++c) {
    dac.Channels[c].Value = StaticDacLevel(dac.Channels[c]);
    SendDac(c);
  }
}

}  // namespace e14
