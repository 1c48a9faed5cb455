#include "host/win32/ComResults.h"

#include <cstdio>
#include <stdexcept>

#include "server/ComConvert.h"
#include "server/ScriptArrays.h"

namespace e14::host {

namespace {
std::runtime_error WrongArray(const char* what) {
  return std::runtime_error(std::string("the driver handed back an array that is not ") + what);
}
}  // namespace

std::string ResultText(HRESULT result) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(result), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer != nullptr ? buffer : "", length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  char number[16];
  std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(result));
  return text.empty() ? std::string("error ") + number : text + " (" + number + ")";
}

void Check(HRESULT result, const char* member) {
  if (FAILED(result)) throw std::runtime_error(std::string("the driver failed in ") + member + ": " + ResultText(result));
}

std::string TakeText(BSTR text) {
  const std::string utf8 = com::FromBstr(text);
  SysFreeString(text);
  return utf8;
}

std::vector<std::string> TakeTexts(SAFEARRAY* array) {
  const com::SafeArrayPtr owned(array);
  VARTYPE type = VT_EMPTY;
  if (array == nullptr || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) ||
      type != VT_BSTR)
    throw WrongArray("a list of strings");
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  std::vector<std::string> texts;
  for (LONG i = lower; i <= upper; ++i) {
    BSTR text = nullptr;
    Check(SafeArrayGetElement(array, &i, &text), "an array element");
    texts.push_back(TakeText(text));
  }
  return texts;
}

std::vector<int16_t> TakeShorts(SAFEARRAY* array) {
  const com::SafeArrayPtr owned(array);
  std::vector<int16_t> values;
  if (!com::FromSafeArray(array, values)) throw WrongArray("a list of 16-bit integers");
  return values;
}

}  // namespace e14::host
