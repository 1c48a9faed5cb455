// COM results and values handed back by the driver, turned into the tool's
// types. Failures become std::runtime_error, which the tool reports in one
// line.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e14::host {

// The system's text for a result, on one line, with its number.
std::string ResultText(HRESULT result);

// Throws "the driver failed in <member>: <text>" for a failed result.
void Check(HRESULT result, const char* member);

// These take ownership of what the driver handed back and free it.
std::string TakeText(BSTR text);
std::vector<std::string> TakeTexts(SAFEARRAY* array);
std::vector<int16_t> TakeShorts(SAFEARRAY* array);

}  // namespace e14::host
