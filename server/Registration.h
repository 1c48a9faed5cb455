// The component's entries in HKEY_CLASSES_ROOT: its classes (in-process
// server, apartment threaded) with their ProgIDs, the type library and its
// interfaces; interface keys the host registered for its own type libraries
// stay as they are. Unregistering removes exactly what registering wrote and
// succeeds when there is nothing left to remove.
#pragma once

#include <windows.h>

#include <string>

namespace e14::com {

// The component lives in the file `modulePath`. On failure whatever was
// written is removed again; the result is SELFREG_E_CLASS or SELFREG_E_TYPELIB.
HRESULT RegisterServer(const std::wstring& modulePath);
HRESULT UnregisterServer();

}  // namespace e14::com
