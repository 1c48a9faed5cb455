// Helpers for tests that talk to the component through COM: references,
// arrays, and late-bound calls made the way a script host makes them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <functional>
#include <string>
#include <thread>
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

// Runs `body` in a new single-threaded apartment. The driver state belongs
// to the thread, so the body starts from fresh state and what it opens stays
// out of the calling thread's state.
inline void InFreshApartment(const std::function<void()>& body) {
  std::thread([&] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    body();
    CoUninitialize();
  }).join();
}

template <class Face>
ComRef<Face> Query(IUnknown* object) {
  ComRef<Face> face;
  EXPECT_EQ(object->QueryInterface(__uuidof(Face), reinterpret_cast<void**>(face.put())), S_OK);
  return face;
}

// Frees a BSTR handed back by a member.
inline std::wstring Text(BSTR text) {
  std::wstring copy(text != nullptr ? text : L"", SysStringLen(text));
  SysFreeString(text);
  return copy;
}

// Element `indices` of an array (leftmost index first) as a VARIANT.
inline VARIANT Element(SAFEARRAY* array, std::vector<LONG> indices) {
  VARIANT value;
  VariantInit(&value);
  VARTYPE type = VT_EMPTY;
  SafeArrayGetVartype(array, &type);
  if (type == VT_VARIANT) {
    EXPECT_EQ(SafeArrayGetElement(array, indices.data(), &value), S_OK);
  } else {
    V_VT(&value) = type;
    EXPECT_EQ(SafeArrayGetElement(array, indices.data(), &V_I8(&value)), S_OK);
  }
  return value;
}

inline SHORT ShortAt(SAFEARRAY* array, std::vector<LONG> indices) {
  VARIANT value = Element(array, std::move(indices));
  return V_I2(&value);
}

inline LONG Upper(SAFEARRAY* array, UINT dimension = 1) {
  LONG upper = -2;
  SafeArrayGetUBound(array, dimension, &upper);
  return upper;
}

inline SAFEARRAY* ShortArray(std::initializer_list<short> values) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(values.size()));
  LONG i = 0;
  for (short value : values) {
    SafeArrayPutElement(array, &i, &value);
    ++i;
  }
  return array;
}

inline VARIANT I4(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

inline VARIANT I2(SHORT value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}

// What a script passes for a variable: a reference to its VARIANT.
inline VARIANT Ref(VARIANT* variable) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&v) = variable;
  return v;
}

// A script array such as Array(1, 2, 3): VARIANTs holding Longs.
inline VARIANT ScriptArray(std::initializer_list<LONG> values) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&v) = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values.size()));
  LONG i = 0;
  for (LONG value : values) {
    VARIANT element = I4(value);
    SafeArrayPutElement(V_ARRAY(&v), &i, &element);
    ++i;
  }
  return v;
}

// Invokes member `name` with the arguments in call order, as a script does:
// arguments reversed, the value of a property put named DISPID_PROPERTYPUT.
inline HRESULT Call(IDispatch* face, const wchar_t* name, WORD flags,
                    std::initializer_list<VARIANT> args, VARIANT* result = nullptr) {
  DISPID member = 0;
  auto* text = const_cast<LPOLESTR>(name);
  const HRESULT found = face->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &member);
  if (FAILED(found)) return found;
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  UINT argError = 0;
  return face->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                      &argError);
}

}  // namespace e14::com::test
