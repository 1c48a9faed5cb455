// A typed run of elements standing in for a host array passed by its first
// element (short* Data, long* ChValues ...) when a script passes a script
// array or a plain variable instead. The member then sees exactly Capacity()
// elements, and what it leaves in them goes back to the script's variable.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace e14::com {

class ElementRun {
 public:
  // Takes the elements (converted to `element`, a numeric type) from the
  // argument: every element of a one-dimensional array, or the one value of
  // a scalar. Arguments passed by reference are remembered for CopyBack.
  HRESULT Load(const VARIANT& argument, VARTYPE element);

  void* First() { return bytes_.data(); }
  LONG Capacity() const { return capacity_; }
  VARTYPE Element() const { return element_; }

  // Hands the first `count` elements (limited to the capacity) back to the
  // script's variable, if it was passed by reference.
  HRESULT CopyBack(LONG count);

 private:
  VARIANT ElementAt(LONG i) const;

  VARTYPE element_ = VT_EMPTY;
  size_t size_ = 0;
  LONG capacity_ = 0;
  std::vector<unsigned char> bytes_;
  SAFEARRAY* array_ = nullptr;   // the script's array, when by reference
  LONG lower_ = 0;
  VARIANT* scalar_ = nullptr;    // the script's variable, when by reference
};

}  // namespace e14::com
