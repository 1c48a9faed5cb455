// What the two stand-in libraries take from the shared simulator library:
// their version and their device interface object.
#pragma once

#include <cstdint>

#include "sim/Config.h"
#include "sim/Export.h"
#include "vendor/VendorAbi.h"

namespace e14::sim {

// 0 while the library is configured as missing.
E140SIM_API uint32_t LibraryVersion(Flavour flavour);
// The device interface object for the interface name "E140"; null for any
// other name or a missing library. The object frees itself through its
// release slot.
E140SIM_API VendorObject* CreateInterface(Flavour flavour, const char* name);

}  // namespace e14::sim
