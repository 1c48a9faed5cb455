// The four entry points of an in-process COM server.
#include <windows.h>
#include <olectl.h>

#include "server/ClassFactory.h"
#include "server/Guard.h"
#include "server/Registration.h"
#include "server/ServerModule.h"

using e14::com::Guarded;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return e14::com::GetClassFactory(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return e14::com::ModuleLocked() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
  return Guarded([] { return e14::com::RegisterServer(e14::com::ModulePath()); });
}

STDAPI DllUnregisterServer() { return Guarded([] { return e14::com::UnregisterServer(); }); }
