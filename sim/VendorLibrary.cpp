// The entry points of one stand-in vendor library. This file is built twice,
// once per flavour (E140SIM_FLAVOUR names the Flavour value).
#include "sim/Library.h"

namespace {

constexpr auto kFlavour = static_cast<e14::sim::Flavour>(E140SIM_FLAVOUR);

}  // namespace

extern "C" {

E140SIM_EXPORT uint32_t E14_STDCALL GetDllVersion() { return e14::sim::LibraryVersion(kFlavour); }

E140SIM_EXPORT e14::VendorObject* E14_STDCALL CreateLInstance(const char* name) {
  return e14::sim::CreateInterface(kFlavour, name);
}

}  // extern "C"
