// Helpers for tests that talk to the component through COM: references,
// arrays, and the values and arrays a script passes.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "server/ComRef.h"
#include "server/Kestrel.h"

namespace e14::com::test {

// A new driver object through the registration, as a host creates it.
inline ComRef<_E14_140> CreateDriver() {
  ComRef<_E14_140> driver;
  CLSID clsid = {};
  EXPECT_EQ(CLSIDFromProgID(L"Kestrel.E14_140", &clsid), S_OK);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(_E14_140),
                             reinterpret_cast<void**>(driver.put())),
            S_OK);
  return driver;
}

template <class Face>
ComRef<Face> Query(IUnknown* object) {
  ComRef<Face> face;
  EXPECT_EQ(object->QueryInterface(__uuidof(Face), reinterpret_cast<void**>(face.put())), S_OK);
  return face;
}

// A VARIANT the test owns and clears.
struct Owned {
  VARIANT v;
  explicit Owned(VARIANT value) : v(value) {}
  Owned() { VariantInit(&v); }
  ~Owned() { VariantClear(&v); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

// Element `indices` of an array of VARIANTs (leftmost index first).
inline VARIANT Element(SAFEARRAY* array, std::vector<LONG> indices) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(SafeArrayGetElement(array, indices.data(), &value), S_OK);
  return value;
}

inline LONG Upper(SAFEARRAY* array, UINT dimension = 1) {
  LONG upper = -2;
  SafeArrayGetUBound(array, dimension, &upper);
  return upper;
}

// A script's Long or text.
inline VARIANT Value(LONG number) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = number;
  return v;
}
inline VARIANT Value(const wchar_t* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

// What a script passes for a variable: a reference to its VARIANT.
inline VARIANT Ref(VARIANT* variable) {
  VARIANT v;
  V_VT(&v) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&v) = variable;
  return v;
}

// A script array such as Array(1, "2"), with the given lower bound.
inline VARIANT ScriptArray(std::vector<VARIANT> elements, LONG lower = 0) {
  SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), lower};
  VARIANT v;
  V_VT(&v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&v) = SafeArrayCreate(VT_VARIANT, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
    LONG at = lower + i;
    SafeArrayPutElement(V_ARRAY(&v), &at, &elements[i]);
    VariantClear(&elements[i]);
  }
  return v;
}

inline VARIANT Longs(std::initializer_list<LONG> numbers) {
  std::vector<VARIANT> elements;
  for (LONG number : numbers) elements.push_back(Value(number));
  return ScriptArray(elements);
}

}  // namespace e14::com::test
