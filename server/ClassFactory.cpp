#include "server/ClassFactory.h"

#include <vector>

#include "backend/DeviceBackend.h"
#include "server/DriverObject.h"
#include "server/Guard.h"
#include "server/Kestrel.h"
#include "server/PageObject.h"
#include "server/ServerModule.h"
#include "ui/win32/InstallDialogs.h"

namespace e14::com {

namespace {
// Once, before the first object: the dispatcher gets its two back-ends, and
// the driver its dialogs.
void InstallBackendsOnce() {
  static const bool installed = [] {
    InstallDeviceBackends();
    win32ui::InstallDialogs();
    return true;
  }();
  (void)installed;
}

HRESULT CreateDriver(const char*, REFIID iid, void** out) { return DriverObject::Create(iid, out); }

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ServerClass& served) : served_(served) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // Static: its references hold nothing, clients lock the module with LockServer.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return Guarded([&] {
      InstallBackendsOnce();
      return served_.Create(served_.ProgId, iid, out);
    });
  }

  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      LockModule();
    else
      UnlockModule();
    return S_OK;
  }

 private:
  const ServerClass& served_;
};
}  // namespace

const std::array<ServerClass, 5>& ServerClasses() {
  static const std::array<ServerClass, 5> classes{{
      {&CLSID_E14_140, "Kestrel.E14_140", &CreateDriver},
      {&CLSID_ucGeneral, "Kestrel.ucGeneral", &PageObject::Create},
      {&CLSID_ucADC, "Kestrel.ucADC", &PageObject::Create},
      {&CLSID_ucDAC, "Kestrel.ucDAC", &PageObject::Create},
      {&CLSID_ucDIO, "Kestrel.ucDIO", &PageObject::Create},
  }};
  return classes;
}

HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** out) {
  const auto& classes = ServerClasses();
  // One factory per class; built once and never moved, since clients hold them.
  static std::vector<ClassFactory> factories = [&classes] {
    std::vector<ClassFactory> made;
    made.reserve(classes.size());
    for (const ServerClass& served : classes) made.emplace_back(served);
    return made;
  }();
  for (size_t i = 0; i < classes.size(); ++i) {
    if (IsEqualCLSID(clsid, *classes[i].Clsid)) return factories[i].QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace e14::com
