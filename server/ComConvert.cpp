#include "server/ComConvert.h"

#include <cstring>
#include <new>

namespace e14::com {

namespace {
// Fills a new array's storage; destroys the array if copying fails.
template <class Fill>
SAFEARRAY* Filled(SAFEARRAY* array, Fill&& fill) {
  if (array == nullptr) throw std::bad_alloc();
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    throw std::bad_alloc();
  }
  try {
    fill(data);
  } catch (...) {
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
    throw;
  }
  SafeArrayUnaccessData(array);
  return array;
}
}  // namespace

BSTR ToBstr(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (text == nullptr) throw std::bad_alloc();
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text, length);
  return text;
}

std::string FromBstr(const BSTR text) {
  const int units = static_cast<int>(SysStringLen(text));
  if (units == 0) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, units, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

SAFEARRAY* ToSafeArray(const std::vector<std::string>& texts) {
  return Filled(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(texts.size())),
                [&](void* data) {
                  auto* out = static_cast<BSTR*>(data);
                  for (const std::string& text : texts) *out++ = ToBstr(text);
                });
}

SAFEARRAY* ToSafeArray(const std::vector<int16_t>& values) {
  return Filled(SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(values.size())),
                [&](void* data) {
                  if (!values.empty())
                    std::memcpy(data, values.data(), values.size() * sizeof(int16_t));
                });
}

SAFEARRAY* NewFrameArray(int32_t channels, int32_t frames, int16_t*& data) {
  SAFEARRAY* array = nullptr;
  if (FAILED(SafeArrayAllocDescriptorEx(VT_I2, 2, &array))) throw std::bad_alloc();
  // The descriptor keeps its bounds last dimension first; the first bound
  // (channels) is the fastest index, as the core lays samples out.
  array->rgsabound[0] = {static_cast<ULONG>(frames), 0};
  array->rgsabound[1] = {static_cast<ULONG>(channels), 0};
  // SafeArrayAllocData would clear the storage, a pass over the data as
  // long as the copy itself; the task allocator is the one SafeArrayDestroy
  // frees with.
  const size_t bytes = static_cast<size_t>(channels) * static_cast<size_t>(frames) * sizeof(int16_t);
  array->pvData = CoTaskMemAlloc(bytes > 0 ? bytes : 1);
  if (array->pvData == nullptr) {
    SafeArrayDestroyDescriptor(array);
    throw std::bad_alloc();
  }
  data = static_cast<int16_t*>(array->pvData);
  return array;
}

bool FromSafeArray(SAFEARRAY* array, std::vector<int16_t>& values) {
  VARTYPE type = VT_EMPTY;
  if (array == nullptr || SafeArrayGetDim(array) != 1 ||
      FAILED(SafeArrayGetVartype(array, &type)) || type != VT_I2)
    return false;
  LONG lower = 0;
  LONG upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return false;
  const auto* first = static_cast<const int16_t*>(data);
  values.assign(first, first + (upper - lower + 1));
  SafeArrayUnaccessData(array);
  return true;
}

}  // namespace e14::com
