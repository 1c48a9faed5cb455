// Loads a stand-in vendor library the way the driver does (dlopen by path)
// and calls the slots of its device interface object.
#pragma once

#include <cstdint>
#include <string>

#include "vendor/VendorAbi.h"

namespace e14::simtest {

// One of the two libraries, loaded from the build's bin folder.
class VendorLibrary {
 public:
  explicit VendorLibrary(const std::string& name);  // "LUsbApi3" or "LUsbApiU"
  ~VendorLibrary();
  VendorLibrary(const VendorLibrary&) = delete;
  VendorLibrary& operator=(const VendorLibrary&) = delete;

  void* Handle() const { return handle_; }
  const SlotMap& Slots() const { return *slots_; }
  const DescriptorLayout& Layout() const { return *layout_; }
  uint32_t Version() const;
  VendorObject* Create(const char* name) const;

 private:
  void* handle_;
  const SlotMap* slots_;
  const DescriptorLayout* layout_;
};

// A device interface object, released at destruction.
class Interface {
 public:
  Interface(const VendorLibrary& library, const char* name = "E140");
  ~Interface();
  Interface(const Interface&) = delete;
  Interface& operator=(const Interface&) = delete;

  VendorObject* Object() const { return object_; }
  const SlotMap& Slots() const { return slots_; }

  template <typename... Args>
  uint32_t Call(int slot, Args... args) const {
    using Function = uint32_t(E14_STDCALL*)(VendorObject*, Args...);
    return reinterpret_cast<Function>(object_->Table[slot])(object_, args...);
  }

  bool Open(uint32_t slot) const { return Call(slots_.OpenLDevice, slot) != 0; }
  void Close() const { Call(slots_.CloseLDevice); }
  int Handle() const { return static_cast<int>(Call(slots_.GetModuleHandle)); }
  std::string LastError() const;
  bool SetAdcParams(AdcParams& params) const { return Call(slots_.SetAdcPars, &params) != 0; }
  bool GetAdcParams(AdcParams& params) const { return Call(slots_.GetAdcPars, &params) != 0; }
  bool StartAdc() const { return Call(slots_.StartAdc) != 0; }
  void StopAdc() const { Call(slots_.StopAdc); }
  // The sample, or nothing when the read failed.
  bool AdcSample(uint32_t code, int16_t& sample) const { return Call(slots_.AdcSample, &sample, code) != 0; }

 private:
  VendorObject* object_;
  SlotMap slots_;
};

// The test pattern every input carries by default: frame number and
// position in the control table.
constexpr int16_t Pattern(uint64_t frame, uint32_t position) {
  return static_cast<int16_t>(static_cast<uint16_t>(((frame & 0x7FF) << 5) | (position & 0x1F)));
}

// Nanoseconds since the steady clock's epoch, as SimFrameTimeNs counts.
int64_t SteadyNowNs();

// Replaces the simulated world; fails the test when the text is refused.
void Configure(const std::string& json);

// An AdcParams record for `channels` table entries at the given rates.
AdcParams Params(std::initializer_list<uint16_t> table, double adcKHz, double delayMs);

}  // namespace e14::simtest
