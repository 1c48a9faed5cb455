// Calls the slots of a stand-in library's device interface object (the
// libraries' two entry points only forward to the simulator, which the
// end-to-end tests reach by loading them), and speaks the driver's side of
// the module handle's wire protocol.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/Config.h"
#include "vendor/ModuleWire.h"
#include "vendor/VendorAbi.h"

namespace e14::simtest {

// A device interface object, released at destruction.
class Interface {
 public:
  explicit Interface(sim::Flavour flavour = sim::Flavour::LUsbApiU);
  ~Interface() { Call(slots_.ReleaseLInstance); }
  Interface(const Interface&) = delete;
  Interface& operator=(const Interface&) = delete;

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
  bool StartAdc() const { return Call(slots_.StartAdc) != 0; }
  void StopAdc() const { Call(slots_.StopAdc); }
  bool AdcSample(uint32_t code, int16_t& sample) const { return Call(slots_.AdcSample, &sample, code) != 0; }
  // The virtual slots this library opens a module on.
  std::vector<uint32_t> OpenableSlots() const;
  const SlotMap& Slots() const { return slots_; }

 private:
  VendorObject* object_;
  SlotMap slots_;
};

struct WireReply {
  wire::Reply Header;
  std::vector<uint8_t> Payload;
  std::vector<int16_t> Samples() const;  // the payload as little-endian samples
};

// Sends one request on the module handle, with its payload, and waits up to
// two seconds for the reply; nothing when none comes.
std::optional<WireReply> Ask(int handle, const wire::Request& request, const std::vector<uint8_t>& payload = {});

// The test pattern every input carries by default: frame number and
// position in the control table.
constexpr int16_t Pattern(uint64_t frame, uint32_t position) {
  return static_cast<int16_t>(static_cast<uint16_t>(((frame & 0x7FF) << 5) | (position & 0x1F)));
}

// Channel codes: input, single-ended bit, range.
constexpr uint32_t SingleEnded(uint32_t input, uint32_t range = 0) { return input + 32 + 64 * range; }
constexpr uint32_t Differential(uint32_t input, uint32_t range = 0) { return input + 64 * range; }

// Nanoseconds since the steady clock's epoch, as SimFrameTimeNs counts.
int64_t SteadyNowNs();
// Replaces the simulated world; fails the test when the text is refused.
void Configure(const std::string& json);
// An AdcParams record for the control table at the given rates.
AdcParams Params(std::initializer_list<uint16_t> table, double adcKHz, double delayMs);

// A world configured by the test with the module on slot 0 open through
// LUsbApiU, and its handle.
class OpenModule : public testing::Test {
 protected:
  void Open(const std::string& json);
  int16_t Sample(uint32_t code);
  void Program(AdcParams&& params) { ASSERT_TRUE(device_->SetAdcParams(params)) << device_->LastError(); }
  const SlotMap& Slots() const { return device_->Slots(); }

  std::unique_ptr<Interface> device_;
  int handle_ = -1;
};

}  // namespace e14::simtest
