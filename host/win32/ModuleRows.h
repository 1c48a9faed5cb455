// The driver's module table (IDriverTools::Modules) as the tool's list.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "host/HostDriver.h"

namespace e14::host {

// Takes ownership of the table and frees it; throws std::runtime_error when
// it is not a (module, column) array of the expected columns.
std::vector<ModuleSummary> TakeModules(SAFEARRAY* table);

}  // namespace e14::host
