#include "server/ClassFactory.h"

#include "backend/DeviceBackend.h"
#include "server/DriverObject.h"
#include "server/Guard.h"
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

class ClassFactory final : public IClassFactory {
 public:
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
      return DriverObject::Create(iid, out);
    });
  }

  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      LockModule();
    else
      UnlockModule();
    return S_OK;
  }
};

ClassFactory g_factory;
}  // namespace

HRESULT GetClassFactory(REFIID iid, void** out) { return g_factory.QueryInterface(iid, out); }

}  // namespace e14::com
