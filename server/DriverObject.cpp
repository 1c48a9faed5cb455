#include "server/DriverObject.h"

#include "server/Guard.h"

namespace e14::com {

namespace {
template <class Face>
HRESULT Hand(Face* face, Face** out) {
  if (out == nullptr) return E_POINTER;
  face->AddRef();
  *out = face;
  return S_OK;
}
}  // namespace

DriverObject::DriverObject()
    : adc_(*this, core_), dio_(*this, core_), dao_(*this, core_), counters_(*this, core_),
      tools_(*this, core_) {}

DriverObject::~DriverObject() = default;

HRESULT DriverObject::Create(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return Guarded([&] {
    auto* object = new DriverObject();
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
  });
}

STDMETHODIMP DriverObject::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  IUnknown* face = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(_E14_140))
    face = static_cast<_E14_140*>(this);
  else if (iid == __uuidof(ADCInterface3))
    face = &adc_;
  else if (iid == __uuidof(DIOInterface))
    face = &dio_;
  else if (iid == __uuidof(DAOInterface))
    face = &dao_;
  else if (iid == __uuidof(IRecordingCounters))
    face = &counters_;
  else if (iid == __uuidof(IDriverTools))
    face = &tools_;
  *out = face;
  if (face == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) DriverObject::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) DriverObject::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP DriverObject::GetADC3(ADCInterface3** value) { return Hand<ADCInterface3>(&adc_, value); }
STDMETHODIMP DriverObject::GetDIO(DIOInterface** value) { return Hand<DIOInterface>(&dio_, value); }
STDMETHODIMP DriverObject::GetDAO(DAOInterface** value) { return Hand<DAOInterface>(&dao_, value); }

}  // namespace e14::com
