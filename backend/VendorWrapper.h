// The thin wrapper around one vendor library and its device interface
// object: loads the library, checks nothing itself, and maps each slot call
// to a Boolean or a value. TLE14140 and TUE14140 differ only in the library,
// the slot table, the descriptor layout and a few extra operations.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DeviceIo.h"
#include "vendor/VendorAbi.h"

namespace e14 {

class VendorWrapper {
 public:
  // Loads <libraryName>.dll.
  VendorWrapper(const std::string& libraryName, const SlotMap& slots, const DescriptorLayout& layout);
  virtual ~VendorWrapper();
  VendorWrapper(const VendorWrapper&) = delete;
  VendorWrapper& operator=(const VendorWrapper&) = delete;

  const std::string& LibraryName() const { return libraryName_; }
  uint16_t LibraryMajor() const { return libraryMajor_; }
  uint16_t LibraryMinor() const { return libraryMinor_; }
  bool HasInstance() const { return instance_ != nullptr; }
  platform::DeviceHandle DeviceHandle() const { return handle_; }
  const DescriptorLayout& Layout() const { return layout_; }

  bool OpenDevice(uint32_t slot);
  void CloseDevice();
  std::string LibraryErrorText();
  bool GetAdcParams(AdcParams& params);
  bool SetAdcParams(AdcParams& params);
  bool StartAdc();
  bool StopAdc();
  bool AdcSample(int16_t& sample, uint16_t channelCode);
  bool DacSample(int16_t code, uint16_t channel);
  bool EnableTtlOut(bool enable);
  uint32_t TtlIn();
  bool TtlOut(uint32_t word);
  uint32_t TtlOutState();
  // Fills Layout().Size bytes.
  bool ReadModuleDescriptor(uint8_t* descriptor);
  bool ReadMemory(uint8_t* buffer, uint32_t count, uint16_t address);

 protected:
  // Calls function `slot` of the interface object; false when the library
  // has no such slot or there is no instance.
  template <typename... Args>
  bool Call(int slot, uint32_t& result, Args... args) {
    if (instance_ == nullptr || slot < 0 || slot >= kSlotTableSize) return false;
    using Fn = uint32_t(E14_STDCALL*)(VendorObject*, Args...);
    result = reinterpret_cast<Fn>(instance_->Table[slot])(instance_, args...);
    return true;
  }
  template <typename... Args>
  bool CallBool(int slot, Args... args) {
    uint32_t result = 0;
    return Call(slot, result, args...) && result != 0;
  }

  const SlotMap& slots_;

 private:
  const std::string libraryName_;
  const DescriptorLayout& layout_;
  void* library_ = nullptr;
  VendorObject* instance_ = nullptr;
  uint16_t libraryMajor_ = 0;
  uint16_t libraryMinor_ = 0;
  platform::DeviceHandle handle_ = platform::kInvalidDevice;
  bool ttlOutEnabled_ = false;
};

class TLE14140 : public VendorWrapper {
 public:
  TLE14140();
  // Firmware version from module memory: major × 65536 + minor; 0 on failure.
  uint32_t FirmwareVersion();
};

// The DAC streaming settings that become the module's DAC parameter block.
struct DacSettings {
  double RateKHz = 0.0;
  uint16_t Points = 0;
  int16_t StartCode0 = 0;
  int16_t StartCode1 = 0;
};

class TUE14140 : public VendorWrapper {
 public:
  TUE14140();
  bool DacSamples(int16_t code0, int16_t code1);
  bool StartDac();
  bool StopDac();
  bool WriteDacData(const int16_t* data, uint32_t words);
  bool WriteDacParams(const DacSettings& settings);
};

}  // namespace e14
