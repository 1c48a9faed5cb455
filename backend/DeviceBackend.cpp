#include "backend/DeviceBackend.h"

#include <cmath>
#include <cstring>

#include "backend/AdcConfiguration.h"
#include "driver/DeviceChooser.h"
#include "driver/UnitScale.h"
#include "driver/mE14_x40.h"
#include "driver/mL_Card.h"
#include "platform/HostThread.h"
#include "platform/Platform.h"

namespace e14 {

DeviceBackend::DeviceBackend() = default;
DeviceBackend::~DeviceBackend() {
  engine_.StopStream();
  // The module closes before the engine goes: reads it never completed end then.
  device_.reset();
  engine_.DeviceClosed();
}

void DeviceBackend::CloseModule() {
  device_->CloseDevice();
  engine_.DeviceClosed();
}

double DeviceBackend::DescriptorDouble(size_t offset) const {
  double value = 0.0;
  std::memcpy(&value, descriptor_.data() + offset, sizeof value);
  return value;
}

std::string DeviceBackend::DescriptorText(size_t offset, size_t length) const {
  return BytesToText(descriptor_.data() + offset, length);
}

char DeviceBackend::Revision() const {
  return static_cast<char>(descriptor_[device_->Layout().Revision]);
}

void DeviceBackend::ClearDescriptor() { descriptor_.fill(0); }

int16_t DeviceBackend::OpenBackend() {
  DriverState& s = State();
  if (!device_) {
    device_ = CreateWrapper();
  } else {
    CloseModule();
  }
  if (!LibraryUsable()) {
    s.AdcLastError = ReinstallMessage();
    return FailOpen();
  }
  if (!OpenModule()) return FailOpen();
  if (!device_->ReadModuleDescriptor(descriptor_.data())) {
    s.AdcLastError = device_->LibraryErrorText();
    return FailOpen();
  }
  ApplyRevisionLimits(Revision());
  ReadBoardInfo();
  LoadSettings(s.DeviceInfo.SerialNumber);
  ApplyCalibration();
  device_->StopAdc();
  if (!device_->GetAdcParams(params_)) {
    s.AdcLastError = device_->LibraryErrorText();
    return FailOpen();
  }
  e14::FillChannelTable(params_);
  e14::ComputeTiming(params_);
  FillSyncParameters(params_);
  if (!device_->SetAdcParams(params_)) {
    s.AdcLastError = device_->LibraryErrorText();
    return FailOpen();
  }
  s.AdcInput.Rate = static_cast<float>(params_.KadrRateKHz) * 1000.0f;
  DescribeOutputs();
  s.AdcLastError.clear();
  return static_cast<int16_t>(device_->DeviceHandle() & 0x7FFF);
}

int16_t DeviceBackend::FailOpen() {
  if (device_) CloseModule();
  ClearDescriptor();
  State().Detected = false;
  return 0;
}

void DeviceBackend::CloseBackend() {
  engine_.StopStream();
  if (!device_) return;
  CloseModule();
  device_.reset();
}

bool DeviceBackend::OpenModule() {
  DriverState& s = State();
  const int16_t count = EnumerateDevices();
  if (count == 0) return false;
  int16_t slot = s.DeviceList[0].Slot;
  if (count > 1) {
    slot = ChooseDevice();
    platform::ProcessPendingMessages();
  }
  if (slot < 0) return false;
  if (PumpBeforeOpen()) platform::ProcessPendingMessages();
  if (device_->OpenDevice(static_cast<uint32_t>(slot))) return true;
  s.AdcLastError = device_->LibraryErrorText();
  return false;
}

void DeviceBackend::ForEachModule(const std::function<void(int16_t slot)>& visit) {
  for (int16_t slot = 0; slot < kModuleSlots; ++slot) {
    if (!device_->OpenDevice(static_cast<uint32_t>(slot))) continue;
    visit(slot);
    device_->CloseDevice();
  }
  ClearDescriptor();
}

int16_t DeviceBackend::EnumerateDevices() {
  DriverState& s = State();
  s.DeviceCount = 0;
  s.DeviceList.clear();
  ForEachModule([&](int16_t slot) {
    DeviceListEntry entry{"USB", s.AdcInfo.Name, "???", "USB" + std::to_string(slot + 1), slot};
    if (device_->ReadModuleDescriptor(descriptor_.data()))
      entry.Serial = DescriptorText(device_->Layout().Serial, kSerialLength);
    s.DeviceList.push_back(entry);
  });
  s.DeviceCount = static_cast<int32_t>(s.DeviceList.size());
  return static_cast<int16_t>(s.DeviceCount);
}

ModuleIdentity DeviceBackend::Identify() {
  const DescriptorLayout& layout = device_->Layout();
  ModuleIdentity id;
  id.Serial = DescriptorText(layout.Serial, kSerialLength);
  id.Revision = Revision();
  ReadFirmwareVersion(id.FirmwareMajor, id.FirmwareMinor);
  const double clockKHz = DescriptorDouble(layout.ClockKHz);
  // A nonsense clock must not overflow: the module's quartz is a few MHz.
  id.ClockHz = std::isfinite(clockKHz) && std::fabs(clockKHz) < 2.0e6
                   ? static_cast<int32_t>(RoundHalfEven(clockKHz)) * 1000
                   : 0;
  int32_t dacPresent = 0;
  std::memcpy(&dacPresent, descriptor_.data() + layout.DacPresent, sizeof dacPresent);
  id.HasDac = dacPresent != 0;
  return id;
}

void DeviceBackend::ReadBoardInfo() {
  DeviceInfoRecord& info = State().DeviceInfo;
  const ModuleIdentity id = Identify();
  info.BoardName = "E140";
  info.Revision = std::string(1, id.Revision);
  info.FirmwareMajor = id.FirmwareMajor;
  info.FirmwareMinor = id.FirmwareMinor;
  info.SerialNumber = id.Serial;
  info.Mcu = id.Revision == 'A' ? "ATmega8515" : "AT91SAM7S256";
  info.ClockHz = id.ClockHz;
  const std::string separator = platform::DecimalSeparator();
  info.BoardInfo = "Board:\t" + info.BoardName + ", rev." + info.Revision + ", BIOS v" +
                   std::to_string(info.FirmwareMajor) + "." + std::to_string(info.FirmwareMinor) +
                   "\r\nSerial N:\t" + info.SerialNumber + "\r\nMCU:\t" + info.Mcu + " (" +
                   FormatNumber(info.ClockHz / 1e6, 2, separator) + " MHz)" + "\r\nDAC: \t" +
                   (id.HasDac ? "2 channels" : "No");
}

std::vector<SurveyedModule> DeviceBackend::Survey() {
  std::vector<SurveyedModule> modules;
  if (!device_) device_ = CreateWrapper();
  if (!LibraryUsable() || device_->DeviceHandle() != platform::kInvalidDevice) return modules;
  ForEachModule([&](int16_t slot) {
    ModuleIdentity id;
    if (device_->ReadModuleDescriptor(descriptor_.data())) {
      id = Identify();
    } else {
      id.Serial = "???";
    }
    id.Slot = slot;
    modules.push_back({id, device_->LibraryName()});
  });
  return modules;
}

void DeviceBackend::ApplyCalibration() {
  AdcInfoRecord& info = State().AdcInfo;
  const DescriptorLayout& layout = device_->Layout();
  std::array<double, kRangeCount> gain{};
  for (int i = 0; i < kRangeCount; ++i) {
    gain[i] = DescriptorDouble(layout.AdcGain + 8 * i);
    if (gain[i] == 0.0) return;
  }
  for (int i = 0; i < kRangeCount; ++i) {
    info.UnitScale[i] = NominalAdcScale(i);
    if (gain[i] > 0.5 && gain[i] < 1.5) info.UnitScale[i] = static_cast<float>(info.UnitScale[i] / gain[i]);
    const double offset = DescriptorDouble(layout.AdcOffset + 8 * i);
    // Calibration data that is not a number would poison every conversion.
    info.UnitOffset[i] = std::isfinite(offset) ? static_cast<float>(offset / info.UnitScale[i]) : 0.0f;
  }
}

void DeviceBackend::DescribeTwelveBitDac() {
  DacInfoRecord& dac = State().DacInfo;
  dac.Resolution = 12;
  dac.ChannelMax = 2048;
  dac.ChannelMin = -2048;
  dac.UnitScale = 409.6f;
}

void DeviceBackend::DescribeOutputs() {
  DriverState& s = State();
  int32_t dacPresent = 0;
  std::memcpy(&dacPresent, descriptor_.data() + device_->Layout().DacPresent, sizeof dacPresent);
  if (dacPresent == 0) {
    s.DacInfo.ChannelsCount = 0;
    s.HasDac = false;
  } else {
    s.HasDac = true;
    DacInfoRecord& dac = s.DacInfo;
    dac.MaxLen = 0;
    dac.RateMax = 0.0f;
    dac.ChannelMaxReal = 5.0;
    dac.ChannelMinReal = -5.0;
    dac.RangesCount = 1;
    dac.Ranges = {"\u00B1" "5 V"};
    dac.ChannelsCount = kDacChannels;
    dac.Channels = {};
    DescribeDac();
  }
  DioStateRecord& dio = s.DioState;
  dio.Detected = true;
  dio.DIBits = 16;
  dio.DOBits = 16;
  dio.DIValue = static_cast<int32_t>(device_->TtlIn());
  dio.DOValue = static_cast<int32_t>(device_->TtlOutState());
}

bool DeviceBackend::StartStream() {
  if (!device_) {
    State().Busy = false;
    return false;
  }
  return engine_.StartStream(*device_);
}

void DeviceBackend::StopStream() { engine_.StopStream(); }
void DeviceBackend::ReleaseEndedStream() { engine_.ReleaseEnded(); }

bool DeviceBackend::ReadSample(int16_t index, int16_t& sample) {
  const DriverState& s = State();
  if (!device_ || index < 0 || index >= s.AdcInfo.ChannelsCount) return false;
  return device_->AdcSample(sample, static_cast<uint16_t>(s.DeviceInfo.ChannelCodes[index]));
}

int16_t DeviceBackend::ReadFrame(std::vector<int16_t>& frame) {
  const DriverState& s = State();
  const AdcInputRecord& in = s.AdcInput;
  if (in.ChCount < 1 || !device_) return 0;
  const size_t count = std::min(static_cast<size_t>(in.ChCount), in.ChTable.size());
  frame.assign(count, 0);
  for (size_t i = 0; i < count; ++i) {
    int16_t sample = 0;
    const uint16_t code = static_cast<uint16_t>(s.DeviceInfo.ChannelCodes[in.ChTable[i] & 31]);
    if (device_->AdcSample(sample, code)) frame[i] = sample;
  }
  return static_cast<int16_t>(count);
}

void DeviceBackend::FillChannelTable() { e14::FillChannelTable(params_); }
float DeviceBackend::ComputeTiming() { return e14::ComputeTiming(params_); }

int32_t DeviceBackend::ReadTtlInputs() {
  DriverState& s = State();
  s.DioState.DIValue = device_ ? static_cast<int32_t>(device_->TtlIn()) : 0;
  return s.DioState.DIValue;
}

void DeviceBackend::WriteTtlOutputs(int32_t value) {
  State().DioState.DOValue = value;
  if (device_) device_->TtlOut(static_cast<uint32_t>(value));
}

bool DeviceBackend::TakeDacValue(int16_t channel, int16_t code) {
  DacInfoRecord& dac = State().DacInfo;
  if (channel < 0 || channel >= kDacChannels || dac.Channels[channel].Value == code) return false;
  dac.Channels[channel].Value = code;
  return true;
}

}  // namespace e14
