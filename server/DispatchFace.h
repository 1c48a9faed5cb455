// The IDispatch of one dual interface, backed by that interface's own type
// description, so that a pointer to the interface dispatches to its members
// and not to those of the object's default interface. Calls go through the
// script adapter (ScriptInvoke.h) onto the interface's vtable.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "server/ComRef.h"
#include "server/Guard.h"
#include "server/ScriptInvoke.h"
#include "server/ServerModule.h"

namespace e14::com {

template <class Face>
class DispatchFace : public Face {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }

  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return Guarded([&] {
      *info = InterfaceTypeInfo(__uuidof(Face));
      return *info != nullptr ? S_OK : TYPE_E_ELEMENTNOTFOUND;
    });
  }

  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return WithTypeInfo([&](ITypeInfo* info) { return DispGetIDsOfNames(info, names, count, ids); });
  }

  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return WithTypeInfo([&](ITypeInfo* info) {
      return ScriptInvoke(info, static_cast<Face*>(this), member, flags, params, result, exception,
                          argError);
    });
  }

 private:
  template <class Use>
  HRESULT WithTypeInfo(Use&& use) {
    return Guarded([&] {
      const ComRef<ITypeInfo> info(InterfaceTypeInfo(__uuidof(Face)));
      if (!info) return TYPE_E_ELEMENTNOTFOUND;
      return use(info.get());
    });
  }
};

}  // namespace e14::com
