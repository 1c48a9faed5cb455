#include "host/win32/ComApartment.h"

#include <objbase.h>

#include <stdexcept>

#include "host/win32/ComResults.h"

namespace e14::host {

ComApartment::ComApartment() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(result)) throw std::runtime_error("cannot start COM: " + ResultText(result));
}

ComApartment::~ComApartment() { CoUninitialize(); }

}  // namespace e14::host
