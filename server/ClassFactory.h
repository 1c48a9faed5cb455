// The component's creatable classes, the driver object and its four settings
// pages, and their class objects: static objects that create them.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <array>

namespace e14::com {

struct ServerClass {
  const CLSID* Clsid;
  const char* ProgId;  // also the creation name of a page
  // A new object of class `progId` with interface `iid` in `out`.
  HRESULT (*Create)(const char* progId, REFIID iid, void** out);
};

// The driver object first, then the pages in tab order.
const std::array<ServerClass, 5>& ServerClasses();

// The class object of `clsid` (its IClassFactory, or another of its
// interfaces) in `out`; CLASS_E_CLASSNOTAVAILABLE for a class not served here.
HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** out);

}  // namespace e14::com
