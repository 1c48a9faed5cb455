// The wrappers' members the back-ends call, answered from the scripted
// libraries of FakeVendor.h. With all of them defined here, the linker never
// needs the library's own VendorWrapper.cpp.
#include <algorithm>
#include <cstring>
#include <sstream>

#include "tests/backend/FakeVendor.h"

namespace e14 {

namespace testing {

static std::map<std::string, FakeLibrary> gLibraries;
FakeLibrary& Library(const std::string& name) { return gLibraries[name]; }
void ResetLibraries() { gLibraries.clear(); }

}  // namespace testing

namespace {

using testing::FakeLibrary;
using testing::FakeModule;

// Module handles are a base plus the slot: no descriptor the process has open.
constexpr platform::DeviceHandle kHandleBase = 0x100;

FakeLibrary& Of(const VendorWrapper& wrapper) { return testing::Library(wrapper.LibraryName()); }

// Logs the call with its arguments; false when the script refuses it.
template <typename... Arguments>
bool Answer(const VendorWrapper& wrapper, const char* call, const Arguments&... arguments) {
  std::ostringstream line;
  line << call;
  ((line << ' ' << arguments), ...);
  FakeLibrary& library = Of(wrapper);
  library.log.push_back(line.str());
  return library.refused.count(call) == 0;
}

template <typename T>
void Put(uint8_t* record, size_t offset, T value) {
  std::memcpy(record + offset, &value, sizeof value);
}

void Describe(const DescriptorLayout& at, const FakeModule& m, uint8_t* record) {
  std::fill_n(record, at.Size, 0);
  std::memcpy(record + at.Serial, "FAKE0001", 8);
  record[at.Revision] = static_cast<uint8_t>(m.revision);
  Put(record, at.ClockKHz, 16000.0);
  if (at.Firmware != 0) std::copy_n(m.firmware.begin(), std::min<size_t>(m.firmware.size(), 10), record + at.Firmware);
  for (size_t i = 0; i < 4; ++i) {
    Put(record, at.AdcOffset + 8 * i, m.adcOffset[i]);
    Put(record, at.AdcGain + 8 * i, m.adcGain[i]);
  }
  Put<int32_t>(record, at.DacPresent, 1);
  for (size_t c = 0; c < 2; ++c) {
    Put(record, at.DacOffset + 8 * c, m.dacOffset[c]);
    if (at.DacGain != 0) Put(record, at.DacGain + 8 * c, m.dacGain[c]);
  }
}

}  // namespace

VendorWrapper::VendorWrapper(const std::string& libraryName, const SlotMap& slots, const DescriptorLayout& layout)
    : slots_(slots), libraryName_(libraryName), layout_(layout) {
  libraryMajor_ = static_cast<uint16_t>(Of(*this).version >> 16);
  libraryMinor_ = static_cast<uint16_t>(Of(*this).version & 0xFFFF);
}

VendorWrapper::~VendorWrapper() { CloseDevice(); }

bool VendorWrapper::OpenDevice(uint32_t slot) {
  CloseDevice();
  if (Of(*this).modules.count(slot) == 0 || !Answer(*this, "Open", slot)) return false;
  handle_ = kHandleBase + slot;
  return true;
}

void VendorWrapper::CloseDevice() {
  if (handle_ != platform::kInvalidDevice) Answer(*this, "Close");
  handle_ = platform::kInvalidDevice;
}

std::string VendorWrapper::LibraryErrorText() { return "refused by " + libraryName_; }
bool VendorWrapper::GetAdcParams(AdcParams&) { return Answer(*this, "GetAdcParams"); }
bool VendorWrapper::SetAdcParams(AdcParams&) { return Answer(*this, "SetAdcParams"); }
bool VendorWrapper::StartAdc() { return Answer(*this, "StartAdc"); }
bool VendorWrapper::StopAdc() { return Answer(*this, "StopAdc"); }
bool VendorWrapper::DacSample(int16_t code, uint16_t channel) { return Answer(*this, "DacSample", code, channel); }
uint32_t VendorWrapper::TtlIn() { return Answer(*this, "TtlIn") ? 0x1234 : 0; }
bool VendorWrapper::TtlOut(uint32_t word) { return Answer(*this, "TtlOut", word); }
uint32_t VendorWrapper::TtlOutState() { return Answer(*this, "TtlOutState") ? 0x00A5 : 0; }

// The sample is the channel code, so a test sees which input was read.
bool VendorWrapper::AdcSample(int16_t& sample, uint16_t channelCode) {
  sample = static_cast<int16_t>(channelCode);
  return Answer(*this, "AdcSample", channelCode);
}

bool VendorWrapper::ReadModuleDescriptor(uint8_t* descriptor) {
  if (!Answer(*this, "Descriptor")) return false;
  Describe(layout_, Of(*this).modules.at(static_cast<uint32_t>(handle_ - kHandleBase)), descriptor);
  return true;
}

TLE14140::TLE14140() : VendorWrapper("LUsbApi3", kSlotsLUsbApi3, kDescriptorLUsbApi3) {}
uint32_t TLE14140::FirmwareVersion() { return Answer(*this, "FirmwareVersion") ? Of(*this).firmwareWord : 0; }

TUE14140::TUE14140() : VendorWrapper("LUsbApiU", kSlotsLUsbApiU, kDescriptorLUsbApiU) {}
bool TUE14140::DacSamples(int16_t code0, int16_t code1) { return Answer(*this, "DacSamples", code0, code1); }
bool TUE14140::StartDac() { return Answer(*this, "StartDac"); }
bool TUE14140::StopDac() { return Answer(*this, "StopDac"); }
bool TUE14140::WriteDacData(const int16_t*, uint32_t words) { return Answer(*this, "DacData", words); }
bool TUE14140::WriteDacParams(const DacSettings& s) {
  return Answer(*this, "DacParams", s.RateKHz, s.Points, s.StartCode0, s.StartCode1);
}

}  // namespace e14
