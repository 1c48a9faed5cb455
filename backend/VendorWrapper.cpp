#include "backend/VendorWrapper.h"

#include <algorithm>
#include <cstring>

#include "driver/mTypes3.h"
#include "platform/Library.h"

namespace e14 {

VendorWrapper::VendorWrapper(const std::string& libraryName, const SlotMap& slots,
                             const DescriptorLayout& layout)
    : slots_(slots), libraryName_(libraryName), layout_(layout) {
  library_ = platform::LoadVendorLibrary(libraryName + ".dll");
  if (library_ == nullptr) return;
  auto version = reinterpret_cast<GetDllVersionFn>(platform::FindExport(library_, "GetDllVersion"));
  auto create =
      reinterpret_cast<CreateLInstanceFn>(platform::FindExport(library_, "CreateLInstance"));
  if (version == nullptr || create == nullptr) return;
  const uint32_t v = version();
  libraryMajor_ = static_cast<uint16_t>(v >> 16);
  libraryMinor_ = static_cast<uint16_t>(v & 0xFFFF);
  instance_ = create("E140");
  if (instance_ == nullptr) libraryMajor_ = libraryMinor_ = 0;
}

VendorWrapper::~VendorWrapper() {
  if (instance_ != nullptr) {
    CloseDevice();
    CallBool(slots_.ReleaseLInstance);
    instance_ = nullptr;
  }
  if (library_ != nullptr) platform::FreeVendorLibrary(library_);
}

bool VendorWrapper::OpenDevice(uint32_t slot) {
  if (instance_ == nullptr) return false;
  CloseDevice();
  uint32_t opened = 0, handle = 0;
  if (Call(slots_.OpenLDevice, opened, slot) && opened != 0 &&
      Call(slots_.GetModuleHandle, handle)) {
    // Handles are 32-bit values; on 64-bit systems they sign-extend.
    handle_ = static_cast<platform::DeviceHandle>(static_cast<int32_t>(handle));
  } else {
    handle_ = platform::kInvalidDevice;
  }
  if (handle_ == platform::kInvalidDevice) return false;
  ttlOutEnabled_ = false;
  return true;
}

void VendorWrapper::CloseDevice() {
  if (handle_ == platform::kInvalidDevice) return;
  uint32_t ignored = 0;
  Call(slots_.CloseLDevice, ignored);
  handle_ = platform::kInvalidDevice;
}

std::string VendorWrapper::LibraryErrorText() {
  ErrorInfo info{};
  if (!CallBool(slots_.GetLastErrorInfo, &info)) return "";
  info.Text[sizeof info.Text - 1] = '\0';
  return info.Text;
}

bool VendorWrapper::GetAdcParams(AdcParams& params) { return CallBool(slots_.GetAdcPars, &params); }
bool VendorWrapper::SetAdcParams(AdcParams& params) { return CallBool(slots_.SetAdcPars, &params); }
bool VendorWrapper::StartAdc() { return CallBool(slots_.StartAdc); }
bool VendorWrapper::StopAdc() { return CallBool(slots_.StopAdc); }

bool VendorWrapper::AdcSample(int16_t& sample, uint16_t channelCode) {
  return CallBool(slots_.AdcSample, &sample, uint32_t{channelCode});
}

bool VendorWrapper::DacSample(int16_t code, uint16_t channel) {
  uint32_t ignored = 0;
  return Call(slots_.DacSample, ignored, &code, uint32_t{channel});
}

bool VendorWrapper::EnableTtlOut(bool enable) {
  const bool done = CallBool(slots_.EnableTtlOut, uint32_t{enable ? 1u : 0u});
  if (done) ttlOutEnabled_ = enable;
  return done;
}

uint32_t VendorWrapper::TtlIn() {
  uint16_t word = 0;
  return CallBool(slots_.TtlIn, &word) ? word : 0;
}

bool VendorWrapper::TtlOut(uint32_t word) {
  if (!ttlOutEnabled_) EnableTtlOut(true);
  if (!ttlOutEnabled_) return false;
  uint32_t ignored = 0;
  return Call(slots_.TtlOut, ignored, uint32_t{word & 0xFFFF});
}

uint32_t VendorWrapper::TtlOutState() {
  uint8_t word[2] = {};
  return ReadMemory(word, 2, kTtlOutAddress) ? uint32_t{word[0]} | uint32_t{word[1]} << 8 : 0;
}

bool VendorWrapper::ReadModuleDescriptor(uint8_t* descriptor) {
  return CallBool(slots_.GetModuleDescriptor, descriptor);
}

bool VendorWrapper::ReadMemory(uint8_t* buffer, uint32_t count, uint16_t address) {
  if (handle_ == platform::kInvalidDevice) return false;
  bool anyDone = false;
  for (uint32_t offset = 0; offset + 1 <= count; offset += 4096) {
    const uint32_t chunk = std::min<uint32_t>(4096, count - offset);
    const MemoryRequest request{1, kMemoryToHost, static_cast<uint16_t>(address + offset), 0};
    uint32_t returned = 0;
    if (platform::DeviceIoControl(handle_, kMemoryControlCode, &request, sizeof request,
                                  buffer + offset, chunk, returned))
      anyDone = true;
  }
  return anyDone;
}

TLE14140::TLE14140() : VendorWrapper("LUsbApi3", kSlotsLUsbApi3, kDescriptorLUsbApi3) {}

uint32_t TLE14140::FirmwareVersion() {
  uint8_t bytes[2] = {};
  return ReadMemory(bytes, 2, kFirmwareAddress) ? uint32_t{bytes[1]} * 65536 + bytes[0] : 0;
}

TUE14140::TUE14140() : VendorWrapper("LUsbApiU", kSlotsLUsbApiU, kDescriptorLUsbApiU) {}

bool TUE14140::DacSamples(int16_t code0, int16_t code1) {
  uint32_t ignored = 0;
  return Call(slots_.DacSamples, ignored, &code0, &code1);
}

bool TUE14140::StartDac() { return CallBool(slots_.StartDac); }

bool TUE14140::StopDac() {
  uint32_t ignored = 0;
  return Call(slots_.StopDac, ignored);
}

bool TUE14140::WriteDacData(const int16_t* data, uint32_t words) {
  IoRequest64 request{};
  request.Request.Buffer = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
  request.Request.Words = words;
  request.Request.WordsTransferred = 0;
  request.Request.Overlapped = 0;
  request.Request.TimeoutMs = 5000;
  request.Buffer64 = reinterpret_cast<uintptr_t>(data);
  return CallBool(slots_.WriteDacData, &request.Request);
}

bool TUE14140::WriteDacParams(const DacSettings& settings) {
  DacParamBlock block{};
  const double divisor =
      settings.RateKHz > 0.0 ? RoundHalfEven(200.0 / settings.RateKHz) - 1.0 : 0.0;
  block.RateDivisor = static_cast<uint16_t>(std::clamp(divisor, 0.0, 65535.0));
  block.Mode = 0;
  block.Control = 17;
  block.Points = settings.Points;
  block.Code0 = static_cast<uint16_t>(settings.StartCode0);
  block.Code1 = static_cast<uint16_t>(settings.StartCode1);
  return CallBool(slots_.PutMemory, reinterpret_cast<uint8_t*>(&block), uint32_t{sizeof block},
                  uint32_t{kDacParamAddress});
}

}  // namespace e14
