#include "server/FuncLookup.h"

namespace e14::com {

FuncDescRef FindFuncDesc(ITypeInfo* info, DISPID member, WORD flags) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return {};
  const UINT count = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);

  INVOKEKIND kinds[4];
  UINT kindCount = 0;
  if (flags & DISPATCH_PROPERTYPUT) kinds[kindCount++] = INVOKE_PROPERTYPUT;
  if (flags & DISPATCH_PROPERTYPUTREF) kinds[kindCount++] = INVOKE_PROPERTYPUTREF;
  if (flags & DISPATCH_METHOD) kinds[kindCount++] = INVOKE_FUNC;
  if (flags & DISPATCH_PROPERTYGET) kinds[kindCount++] = INVOKE_PROPERTYGET;
  for (UINT k = 0; k < kindCount; ++k) {
    for (UINT i = 0; i < count; ++i) {
      FUNCDESC* desc = nullptr;
      if (FAILED(info->GetFuncDesc(i, &desc))) continue;
      if (desc->memid == member && desc->invkind == kinds[k]) return {info, desc};
      info->ReleaseFuncDesc(desc);
    }
  }
  return {};
}

}  // namespace e14::com
