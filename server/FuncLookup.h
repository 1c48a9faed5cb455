// The function description a dispatch call binds to.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace e14::com {

// Owns a FUNCDESC of its type description.
class FuncDescRef {
 public:
  FuncDescRef() = default;
  FuncDescRef(ITypeInfo* info, FUNCDESC* desc) : info_(info), desc_(desc) {}
  ~FuncDescRef() {
    if (desc_ != nullptr) info_->ReleaseFuncDesc(desc_);
  }
  FuncDescRef(const FuncDescRef&) = delete;
  FuncDescRef& operator=(const FuncDescRef&) = delete;
  FuncDescRef(FuncDescRef&& other) noexcept : info_(other.info_), desc_(other.desc_) {
    other.desc_ = nullptr;
  }

  const FUNCDESC& operator*() const { return *desc_; }
  explicit operator bool() const { return desc_ != nullptr; }

 private:
  ITypeInfo* info_ = nullptr;
  FUNCDESC* desc_ = nullptr;
};

// The function with id `member` whose kind matches the call's flags (a put
// before a method before a get). Scans every description instead of using
// ITypeInfo2::GetFuncIndexOfMemId, whose index skips the inherited IDispatch
// functions under Wine while GetFuncDesc's indices include them.
FuncDescRef FindFuncDesc(ITypeInfo* info, DISPID member, WORD flags);

}  // namespace e14::com
