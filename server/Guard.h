// Nothing thrown inside the component may reach the host: every COM entry
// point runs its body through Guarded, which turns exceptions into results.
#pragma once

#include <windows.h>

#include <new>

namespace e14::com {

template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Guarded for a member that hands back one value through `out`, which holds
// zero (a null pointer) when the body fails.
template <class T, class Body>
HRESULT GuardedGet(T* out, Body&& body) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = T{};
  return Guarded([&] {
    *out = body();
    return S_OK;
  });
}

}  // namespace e14::com
