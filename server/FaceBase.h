// One interface of the driver object, implemented apart from the others
// because the host interfaces share member names with different meanings
// (Detected, Resolution, Ranges ...). IUnknown goes to the object itself, so
// every face has the object's identity and lifetime.
#pragma once

#include <windows.h>

#include "driver/E14_140.h"
#include "server/DispatchFace.h"

namespace e14::com {

template <class Face>
class FaceBase : public DispatchFace<Face> {
 public:
  FaceBase(IUnknown& identity, E14_140& core) : identity_(identity), core_(core) {}
  FaceBase(const FaceBase&) = delete;
  FaceBase& operator=(const FaceBase&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return identity_.QueryInterface(iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return identity_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return identity_.Release(); }

 protected:
  IUnknown& Identity() { return identity_; }
  E14_140& Core() { return core_; }

 private:
  IUnknown& identity_;
  E14_140& core_;
};

}  // namespace e14::com
