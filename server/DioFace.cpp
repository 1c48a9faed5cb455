#include "server/DioFace.h"

#include "server/ComConvert.h"
#include "server/Guard.h"

namespace e14::com {

namespace {
// Guarded for a property let whose value comes by reference.
template <class T, class Body>
HRESULT Put(const T* value, Body&& body) noexcept {
  if (value == nullptr) return E_POINTER;
  return Guarded([&] {
    body(*value);
    return S_OK;
  });
}
}  // namespace

STDMETHODIMP DioFace::get_DIOName(BSTR* value) {
  return GuardedGet(value, [&] { return ToBstr(Core().IDIO_DIOName()); });
}

STDMETHODIMP DioFace::get_Detected(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IDIO_Detected()); });
}

STDMETHODIMP DioFace::get_DIBits(unsigned char* value) {
  return GuardedGet(value, [&] { return Core().IDIO_DIBits(); });
}

STDMETHODIMP DioFace::get_DOBits(unsigned char* value) {
  return GuardedGet(value, [&] { return Core().IDIO_DOBits(); });
}

STDMETHODIMP DioFace::get_DIValue(LONG* value) {
  return GuardedGet(value, [&] { return Core().IDIO_DIValue(); });
}

STDMETHODIMP DioFace::get_DOValue(LONG* value) {
  return GuardedGet(value, [&] { return Core().IDIO_DOValue(); });
}

STDMETHODIMP DioFace::put_DOValue(LONG* value) {
  return Put(value, [&](LONG v) { Core().IDIO_DOValue(static_cast<int32_t>(v)); });
}

STDMETHODIMP DioFace::get_DOStartEnabled(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IDIO_DOStartEnabled()); });
}

STDMETHODIMP DioFace::put_DOStartEnabled(VARIANT_BOOL* turn) {
  return Put(turn, [&](VARIANT_BOOL v) { Core().IDIO_DOStartEnabled(FromVariantBool(v)); });
}

STDMETHODIMP DioFace::get_DOStartValue(LONG* value) {
  return GuardedGet(value, [&] { return Core().IDIO_DOStartValue(); });
}

STDMETHODIMP DioFace::put_DOStartValue(LONG* value) {
  return Put(value, [&](LONG v) { Core().IDIO_DOStartValue(static_cast<int32_t>(v)); });
}

STDMETHODIMP DioFace::get_DOStopEnabled(VARIANT_BOOL* value) {
  return GuardedGet(value, [&] { return ToVariantBool(Core().IDIO_DOStopEnabled()); });
}

STDMETHODIMP DioFace::put_DOStopEnabled(VARIANT_BOOL* turn) {
  return Put(turn, [&](VARIANT_BOOL v) { Core().IDIO_DOStopEnabled(FromVariantBool(v)); });
}

STDMETHODIMP DioFace::get_DOStopValue(LONG* value) {
  return GuardedGet(value, [&] { return Core().IDIO_DOStopValue(); });
}

STDMETHODIMP DioFace::put_DOStopValue(LONG* value) {
  return Put(value, [&](LONG v) { Core().IDIO_DOStopValue(static_cast<int32_t>(v)); });
}

}  // namespace e14::com
