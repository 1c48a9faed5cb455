// The class object of E14_140: a static object that creates driver objects.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace e14::com {

// The factory's IClassFactory, or another of its interfaces, in `out`.
HRESULT GetClassFactory(REFIID iid, void** out);

}  // namespace e14::com
