// Members that take a host array by its first element, and the parameter
// that says how many elements the member may touch. A script cannot hand
// over a pointer into its array, so the adapter passes an ElementRun there
// and bounds that count by the run's capacity.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace e14::com {

struct HostArrayParam {
  UINT data;   // the parameter taking the first element
  UINT count;  // the parameter bounding the elements used
};

// The rule for member `member` of interface `face`, or null.
const HostArrayParam* FindHostArrayParam(REFIID face, DISPID member);

}  // namespace e14::com
