// Conversions between the core's types and automation types. Strings are
// UTF-8 in the core and UTF-16 BSTRs at the interface; booleans are
// VARIANT_BOOL (True = -1). Functions that allocate throw std::bad_alloc.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e14::com {

BSTR ToBstr(const std::string& utf8);
// A null BSTR is the empty string.
std::string FromBstr(const BSTR text);

inline VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }
inline bool FromVariantBool(VARIANT_BOOL value) { return value != VARIANT_FALSE; }

// Zero-based one-dimensional arrays.
SAFEARRAY* ToSafeArray(const std::vector<std::string>& texts);
SAFEARRAY* ToSafeArray(const std::vector<int16_t>& values);
// Channels x Frames, lower bounds 0: element (c, f) is sample (c, f). The
// storage is not cleared first: the caller writes every sample through
// `data`, which the array owns.
SAFEARRAY* NewFrameArray(int32_t channels, int32_t frames, int16_t*& data);

// The elements of a one-dimensional VT_I2 array; false for any other array.
bool FromSafeArray(SAFEARRAY* array, std::vector<int16_t>& values);

}  // namespace e14::com
