#include "server/ScriptArrays.h"

#include <cstring>
#include <utility>

namespace e14::com {

namespace {
VARTYPE ElementType(SAFEARRAY* array) {
  VARTYPE type = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(array, &type))) return VT_EMPTY;
  return type;
}

bool Convertible(VARTYPE type) { return type == VT_VARIANT || NumericSize(type) != 0; }
}  // namespace

size_t NumericSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    default:
      return 0;
  }
}

SAFEARRAY* HeldArray(const VARIANT& value) {
  const VARIANT* held = &value;
  if (V_VT(held) == (VT_VARIANT | VT_BYREF)) held = V_VARIANTREF(held);
  if (held == nullptr || (V_VT(held) & VT_ARRAY) == 0) return nullptr;
  return (V_VT(held) & VT_BYREF) != 0 ? *V_ARRAYREF(held) : V_ARRAY(held);
}

HRESULT ReadElement(SAFEARRAY* array, LONG index, VARTYPE type, VARIANT& out) {
  const VARTYPE stored = ElementType(array);
  if (!Convertible(stored)) return DISP_E_TYPEMISMATCH;
  VARIANT element;
  VariantInit(&element);
  HRESULT result = S_OK;
  if (stored == VT_VARIANT) {
    result = SafeArrayGetElement(array, &index, &element);
  } else {
    V_VT(&element) = stored;
    result = SafeArrayGetElement(array, &index, &V_I8(&element));
  }
  if (SUCCEEDED(result)) result = VariantChangeType(&out, &element, 0, type);
  VariantClear(&element);
  return result;
}

HRESULT WriteElement(SAFEARRAY* array, LONG index, const VARIANT& value) {
  const VARTYPE stored = ElementType(array);
  if (!Convertible(stored)) return DISP_E_TYPEMISMATCH;
  VARIANT converted;
  VariantInit(&converted);
  // The API takes the source as non-const though it only reads it.
  auto* source = const_cast<VARIANT*>(&value);
  HRESULT result = stored == VT_VARIANT ? VariantCopy(&converted, source)
                                        : VariantChangeType(&converted, source, 0, stored);
  if (SUCCEEDED(result))
    result = SafeArrayPutElement(array, &index,
                                 stored == VT_VARIANT ? static_cast<void*>(&converted)
                                                      : static_cast<void*>(&V_I8(&converted)));
  VariantClear(&converted);
  return result;
}

HRESULT ToTypedArray(SAFEARRAY* source, VARTYPE element, SafeArrayPtr& out) {
  if (source == nullptr || SafeArrayGetDim(source) != 1 || NumericSize(element) == 0)
    return DISP_E_TYPEMISMATCH;
  LONG lower = 0;
  LONG upper = -1;
  SafeArrayGetLBound(source, 1, &lower);
  SafeArrayGetUBound(source, 1, &upper);
  SAFEARRAYBOUND bound = {static_cast<ULONG>(upper - lower + 1), lower};
  SafeArrayPtr typed(SafeArrayCreate(element, 1, &bound));
  if (!typed) return E_OUTOFMEMORY;
  for (LONG i = lower; i <= upper; ++i) {
    VARIANT value;
    VariantInit(&value);
    HRESULT result = ReadElement(source, i, element, value);
    if (SUCCEEDED(result)) result = SafeArrayPutElement(typed.get(), &i, &V_I8(&value));
    if (FAILED(result)) return result;
  }
  out = std::move(typed);
  return S_OK;
}

HRESULT ToVariantArray(SAFEARRAY* source, SafeArrayPtr& out) {
  if (source == nullptr) return DISP_E_TYPEMISMATCH;
  const VARTYPE stored = ElementType(source);
  if (NumericSize(stored) == 0 && stored != VT_BSTR) return DISP_E_TYPEMISMATCH;
  const UINT dims = SafeArrayGetDim(source);
  // SafeArrayCreate takes the bounds leftmost dimension first.
  std::unique_ptr<SAFEARRAYBOUND[]> bounds(new SAFEARRAYBOUND[dims]);
  size_t count = 1;
  for (UINT d = 0; d < dims; ++d) {
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(source, d + 1, &lower);
    SafeArrayGetUBound(source, d + 1, &upper);
    bounds[d] = {static_cast<ULONG>(upper - lower + 1), lower};
    count *= bounds[d].cElements;
  }
  SafeArrayPtr variants(SafeArrayCreate(VT_VARIANT, dims, bounds.get()));
  if (!variants) return E_OUTOFMEMORY;
  // Both arrays keep their elements in the same order, so walk them together.
  void* from = nullptr;
  VARIANT* to = nullptr;
  if (FAILED(SafeArrayAccessData(source, &from))) return E_UNEXPECTED;
  if (FAILED(SafeArrayAccessData(variants.get(), reinterpret_cast<void**>(&to)))) {
    SafeArrayUnaccessData(source);
    return E_UNEXPECTED;
  }
  HRESULT result = S_OK;
  const size_t size = SafeArrayGetElemsize(source);
  for (size_t i = 0; i < count && SUCCEEDED(result); ++i) {
    const void* element = static_cast<const unsigned char*>(from) + i * size;
    V_VT(&to[i]) = stored;
    if (stored == VT_BSTR) {
      const BSTR text = *static_cast<const BSTR*>(element);
      V_BSTR(&to[i]) = SysAllocStringLen(text, SysStringLen(text));
      if (V_BSTR(&to[i]) == nullptr && text != nullptr) result = E_OUTOFMEMORY;
    } else {
      std::memcpy(&V_I8(&to[i]), element, size);
    }
  }
  SafeArrayUnaccessData(variants.get());
  SafeArrayUnaccessData(source);
  if (SUCCEEDED(result)) out = std::move(variants);
  return result;
}

}  // namespace e14::com
