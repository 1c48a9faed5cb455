#include "server/ElementRun.h"

#include <algorithm>
#include <cstring>

#include "server/ScriptArrays.h"

namespace e14::com {

HRESULT ElementRun::Load(const VARIANT& argument, VARTYPE element) {
  element_ = element;
  size_ = NumericSize(element);
  if (size_ == 0) return DISP_E_TYPEMISMATCH;
  VARIANT* byReference =
      V_VT(&argument) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&argument) : nullptr;
  const VARIANT& value = byReference != nullptr ? *byReference : argument;

  if (SAFEARRAY* array = HeldArray(argument)) {
    if (SafeArrayGetDim(array) != 1) return DISP_E_TYPEMISMATCH;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower_);
    SafeArrayGetUBound(array, 1, &upper);
    capacity_ = upper - lower_ + 1;
    // A member always gets a valid first element, even of an empty array.
    bytes_.assign(size_ * static_cast<size_t>(std::max<LONG>(capacity_, 1)), 0);
    for (LONG i = 0; i < capacity_; ++i) {
      VARIANT converted;
      VariantInit(&converted);
      const HRESULT result = ReadElement(array, lower_ + i, element, converted);
      if (FAILED(result)) return result;
      std::memcpy(bytes_.data() + i * size_, &V_I8(&converted), size_);
    }
    if (byReference != nullptr) array_ = array;
    return S_OK;
  }

  VARIANT converted;
  VariantInit(&converted);
  const HRESULT result = VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, element);
  if (FAILED(result)) return result;
  capacity_ = 1;
  bytes_.assign(size_, 0);
  std::memcpy(bytes_.data(), &V_I8(&converted), size_);
  if (byReference != nullptr && (V_VT(byReference) & VT_BYREF) == 0) scalar_ = byReference;
  return S_OK;
}

VARIANT ElementRun::ElementAt(LONG i) const {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = element_;
  std::memcpy(&V_I8(&value), bytes_.data() + i * size_, size_);
  return value;
}

HRESULT ElementRun::CopyBack(LONG count) {
  count = std::clamp<LONG>(count, 0, capacity_);
  if (scalar_ != nullptr && count > 0) {
    VariantClear(scalar_);
    *scalar_ = ElementAt(0);
    return S_OK;
  }
  if (array_ == nullptr) return S_OK;
  for (LONG i = 0; i < count; ++i) {
    const VARIANT value = ElementAt(i);
    const HRESULT result = WriteElement(array_, lower_ + i, value);
    if (FAILED(result)) return result;
  }
  return S_OK;
}

}  // namespace e14::com
