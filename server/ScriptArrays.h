// Arrays between script clients and typed members. Scripts build arrays of
// VARIANTs and cannot index arrays of other element types; members take and
// give typed arrays. Every function reports failure as an HRESULT
// (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW, E_OUTOFMEMORY ...).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>

namespace e14::com {

struct SafeArrayDeleter {
  void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
using SafeArrayPtr = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

// Bytes of one element of a numeric type; 0 for any other type.
size_t NumericSize(VARTYPE type);

// The array a value holds directly or through one reference; null if none.
SAFEARRAY* HeldArray(const VARIANT& value);

// A one-dimensional array of `element` with the source's bounds, each
// element converted from the source's (of any numeric type or VARIANT).
HRESULT ToTypedArray(SAFEARRAY* source, VARTYPE element, SafeArrayPtr& out);
// An array of VARIANTs with the source's dimensions and bounds. The source
// holds numbers or strings.
HRESULT ToVariantArray(SAFEARRAY* source, SafeArrayPtr& out);

// Element `index` of a one-dimensional array converted to `type`.
HRESULT ReadElement(SAFEARRAY* array, LONG index, VARTYPE type, VARIANT& out);
// Stores a value at element `index`, converted to the array's element type.
HRESULT WriteElement(SAFEARRAY* array, LONG index, const VARIANT& value);

}  // namespace e14::com
