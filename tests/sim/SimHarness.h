// Calls the slots of a stand-in library's device interface object (the
// libraries' two entry points only forward to the simulator, which the
// end-to-end tests reach by loading them), and speaks the driver's side of
// the module handle's wire protocol.
#pragma once

#include <sys/socket.h>
#include <sys/time.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/Config.h"
#include "sim/Library.h"
#include "sim/SimControl.h"
#include "vendor/ModuleWire.h"
#include "vendor/VendorAbi.h"

namespace e14::simtest {

// A device interface object, released at destruction.
class Interface {
 public:
  explicit Interface(sim::Flavour flavour = sim::Flavour::LUsbApiU)
      : object_(sim::CreateInterface(flavour, "E140")),
        slots_(flavour == sim::Flavour::LUsbApi3 ? kSlotsLUsbApi3 : kSlotsLUsbApiU) {
    if (object_ == nullptr) throw std::runtime_error("no interface object");
  }
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
  std::string LastError() const {
    ErrorInfo info{};
    return Call(slots_.GetLastErrorInfo, &info) == 0 ? "<no error info>" : std::string(info.Text);
  }
  bool SetAdcParams(AdcParams& params) const { return Call(slots_.SetAdcPars, &params) != 0; }
  bool StartAdc() const { return Call(slots_.StartAdc) != 0; }
  // The virtual slots this library opens a module on.
  std::vector<uint32_t> OpenableSlots() const {
    std::vector<uint32_t> found;
    for (uint32_t slot = 0; slot < 16; ++slot) {
      if (Open(slot)) found.push_back(slot);
      Close();
    }
    return found;
  }
  const SlotMap& Slots() const { return slots_; }

 private:
  VendorObject* object_;
  SlotMap slots_;
};

struct WireReply {
  wire::Reply Header;
  std::vector<uint8_t> Payload;
  // The payload as little-endian samples.
  std::vector<int16_t> Samples() const {
    std::vector<int16_t> samples(Payload.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(Payload[2 * i] | Payload[2 * i + 1] << 8);
    return samples;
  }
};

// Receives `bytes` on the module handle within `timeoutMs`; whether they all came.
inline bool ReceiveAll(int handle, void* data, size_t bytes, int timeoutMs) {
  const timeval timeout{timeoutMs / 1000, timeoutMs % 1000 * 1000};
  return setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 &&
         (bytes == 0 || recv(handle, data, bytes, MSG_WAITALL) == static_cast<ssize_t>(bytes));
}

// Sends one request on the module handle, with its payload, and waits up to
// two seconds for the reply; nothing when none comes.
inline std::optional<WireReply> Ask(int handle, const wire::Request& request,
                                    const std::vector<uint8_t>& payload = {}) {
  std::vector<uint8_t> bytes(sizeof request);
  std::memcpy(bytes.data(), &request, sizeof request);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  if (send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("send on the module handle failed");
  WireReply reply{};
  if (!ReceiveAll(handle, &reply.Header, sizeof reply.Header, 2000)) return std::nullopt;
  reply.Payload.resize(reply.Header.count);
  // A started reply must complete promptly.
  if (!ReceiveAll(handle, reply.Payload.data(), reply.Payload.size(), 5000))
    throw std::runtime_error("reply payload cut short");
  return reply;
}

// The test pattern every input carries by default: frame number and
// position in the control table.
constexpr int16_t Pattern(uint64_t frame, uint32_t position) {
  return static_cast<int16_t>(static_cast<uint16_t>(((frame & 0x7FF) << 5) | (position & 0x1F)));
}

// Channel codes: input, single-ended bit, range.
constexpr uint32_t SingleEnded(uint32_t input, uint32_t range = 0) { return input + 32 + 64 * range; }
constexpr uint32_t Differential(uint32_t input, uint32_t range = 0) { return input + 64 * range; }

// Nanoseconds since the steady clock's epoch, as SimFrameTimeNs counts.
inline int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Replaces the simulated world; fails the test when the text is refused.
inline void Configure(const std::string& json) { ASSERT_EQ(SimConfigure(json.c_str()), 1) << SimConfigError(); }

// An AdcParams record for the control table at the given rates.
inline AdcParams Params(std::initializer_list<uint16_t> table, double adcKHz, double delayMs) {
  AdcParams p{};
  p.ChannelsQuantity = static_cast<uint16_t>(table.size());
  // Copied bytewise: the packed record's table may sit at an odd address.
  if (table.size() > 0)
    std::memcpy(reinterpret_cast<uint8_t*>(&p) + offsetof(AdcParams, ControlTable), table.begin(),
                table.size() * sizeof(uint16_t));
  p.AdcRateKHz = adcKHz;
  p.InterKadrDelayMs = delayMs;
  return p;
}

// A world configured by the test with the module on slot 0 open through
// LUsbApiU, and its handle.
class OpenModule : public testing::Test {
 protected:
  void Open(const std::string& json) {
    device_.reset();
    Configure(json);
    device_ = std::make_unique<Interface>();
    ASSERT_TRUE(device_->Open(0)) << device_->LastError();
    handle_ = device_->Handle();
  }
  int16_t Sample(uint32_t code) {
    int16_t sample = 0;
    EXPECT_EQ(device_->Call(Slots().AdcSample, &sample, code), 1u) << device_->LastError();
    return sample;
  }
  void Program(AdcParams&& params) { ASSERT_TRUE(device_->SetAdcParams(params)) << device_->LastError(); }
  const SlotMap& Slots() const { return device_->Slots(); }

  std::unique_ptr<Interface> device_;
  int handle_ = -1;
};

}  // namespace e14::simtest
