#include "tests/sim/SimHarness.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "sim/SimControl.h"

namespace e14::simtest {

VendorLibrary::VendorLibrary(const std::string& name)
    : handle_(dlopen((std::string(E140SIM_LIBRARY_DIR) + "/lib" + name + ".so").c_str(),
                     RTLD_NOW | RTLD_LOCAL)),
      slots_(name == "LUsbApi3" ? &kSlotsLUsbApi3 : &kSlotsLUsbApiU),
      layout_(name == "LUsbApi3" ? &kDescriptorLUsbApi3 : &kDescriptorLUsbApiU) {
  if (handle_ == nullptr) throw std::runtime_error(dlerror());
}

VendorLibrary::~VendorLibrary() { dlclose(handle_); }

uint32_t VendorLibrary::Version() const {
  return reinterpret_cast<GetDllVersionFn>(dlsym(handle_, "GetDllVersion"))();
}

VendorObject* VendorLibrary::Create(const char* name) const {
  return reinterpret_cast<CreateLInstanceFn>(dlsym(handle_, "CreateLInstance"))(name);
}

Interface::Interface(const VendorLibrary& library, const char* name)
    : object_(library.Create(name)), slots_(library.Slots()) {
  if (object_ == nullptr) throw std::runtime_error("CreateLInstance returned no object");
}

Interface::~Interface() { Call(slots_.ReleaseLInstance); }

std::string Interface::LastError() const {
  ErrorInfo info{};
  if (Call(slots_.GetLastErrorInfo, &info) == 0) return "<no error info>";
  return std::string(info.Text);
}

int64_t SteadyNowNs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

void Configure(const std::string& json) {
  ASSERT_EQ(SimConfigure(json.c_str()), 1) << SimConfigError();
}

AdcParams Params(std::initializer_list<uint16_t> table, double adcKHz, double delayMs) {
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

}  // namespace e14::simtest
