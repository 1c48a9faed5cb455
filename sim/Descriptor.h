// The module descriptor record each library flavour hands out.
#pragma once

#include <cstdint>

#include "sim/Config.h"
#include "vendor/VendorAbi.h"

namespace e14::sim {

const DescriptorLayout& LayoutOf(Flavour flavour);
// Writes exactly LayoutOf(flavour).Size bytes; bytes the driver does not read
// are zero.
void FillDescriptor(const ModuleConfig& module, Flavour flavour, uint8_t* record);

}  // namespace e14::sim
