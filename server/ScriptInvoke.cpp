#include "server/ScriptInvoke.h"

#include <optional>
#include <vector>

#include "server/ElementRun.h"
#include "server/FuncLookup.h"
#include "server/HostArrayParams.h"
#include "server/ScriptArrays.h"

namespace e14::com {

namespace {
bool IsScalar(VARTYPE type) { return NumericSize(type) != 0 || type == VT_BSTR; }

// Arguments the caller must pass: every parameter but the result.
UINT DeclaredArgs(const FUNCDESC& desc) {
  UINT count = 0;
  for (SHORT p = 0; p < desc.cParams; ++p)
    if ((desc.lprgelemdescParam[p].paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) ==
        0)
      ++count;
  return count;
}

// rgvarg holds the named arguments first (the value of a property put is
// named DISPID_PROPERTYPUT), then the positional ones last to first.
int ParamIndex(const DISPPARAMS& params, UINT arg, const FUNCDESC& desc) {
  if (arg < params.cNamedArgs) {
    const DISPID name = params.rgdispidNamedArgs[arg];
    return name == DISPID_PROPERTYPUT ? desc.cParams - 1 : static_cast<int>(name);
  }
  return static_cast<int>(params.cArgs - 1 - arg);
}

// The caller's arguments, rewritten where the member's parameters need it.
// Holds shallow copies: the caller keeps owning what its arguments hold.
class AdaptedCall {
 public:
  AdaptedCall(const DISPPARAMS& params, const FUNCDESC& desc, const HostArrayParam* hostArray)
      : desc_(desc),
        hostArray_(hostArray),
        params_(params),
        args_(params.rgvarg, params.rgvarg + params.cArgs),
        slots_(params.cArgs, nullptr) {
    params_.rgvarg = args_.data();
  }

  HRESULT Prepare(UINT* argError) {
    for (UINT i = 0; i < params_.cArgs; ++i) {
      const int p = ParamIndex(params_, i, desc_);
      if (p < 0 || p >= desc_.cParams) continue;
      const HRESULT result = AdaptArgument(i, static_cast<UINT>(p));
      if (FAILED(result)) {
        if (argError != nullptr) *argError = i;
        return result;
      }
    }
    return run_ ? BoundCount() : S_OK;
  }

  DISPPARAMS* Params() { return &params_; }

  // After a successful call: the run's elements go back to the script.
  HRESULT Finish() {
    if (!run_) return S_OK;
    VARIANT count;
    VariantInit(&count);
    const HRESULT result = VariantChangeType(&count, &args_[countArg_], 0, VT_I4);
    return run_->CopyBack(SUCCEEDED(result) ? V_I4(&count) : run_->Capacity());
  }

 private:
  HRESULT AdaptArgument(UINT i, UINT p) {
    const ELEMDESC& param = desc_.lprgelemdescParam[p];
    if (hostArray_ != nullptr && p == hostArray_->count) countArg_ = static_cast<int>(i);
    if (param.tdesc.vt != VT_PTR) return S_OK;  // by value: ITypeInfo::Invoke converts
    const TYPEDESC& target = *param.tdesc.lptdesc;
    if (hostArray_ != nullptr && p == hostArray_->data) return AdaptRun(args_[i], target.vt);
    if (target.vt == VT_SAFEARRAY) return AdaptArray(i, target.lptdesc->vt);
    if (IsScalar(target.vt)) {
      const USHORT flags = param.paramdesc.wParamFlags;
      return AdaptScalar(args_[i], target.vt, (flags & PARAMFLAG_FOUT) && !(flags & PARAMFLAG_FIN));
    }
    return S_OK;
  }

  static HRESULT AdaptScalar(VARIANT& arg, VARTYPE type, bool outOnly) {
    if (V_VT(&arg) != (VT_VARIANT | VT_BYREF)) return S_OK;
    VARIANT* variable = V_VARIANTREF(&arg);
    if ((V_VT(variable) & VT_BYREF) != 0) return S_OK;
    if (outOnly) {
      VariantClear(variable);
      V_VT(variable) = type;
      V_I8(variable) = 0;
    } else if (V_VT(variable) != type) {
      const HRESULT result = VariantChangeType(variable, variable, 0, type);
      if (FAILED(result)) return result;
    }
    V_VT(&arg) = type | VT_BYREF;
    V_BYREF(&arg) = &V_I8(variable);  // every member of the value union starts here
    return S_OK;
  }

  HRESULT AdaptArray(UINT i, VARTYPE element) {
    SAFEARRAY* held = HeldArray(args_[i]);
    if (held == nullptr) return S_OK;  // not an array: ITypeInfo::Invoke refuses it
    VARTYPE type = VT_EMPTY;
    SafeArrayGetVartype(held, &type);
    if (type == element) {
      slots_[i] = held;
    } else {
      SafeArrayPtr typed;
      const HRESULT result = ToTypedArray(held, element, typed);
      if (FAILED(result)) return result;
      slots_[i] = typed.get();
      temps_.push_back(std::move(typed));
    }
    V_VT(&args_[i]) = VT_ARRAY | element | VT_BYREF;
    V_ARRAYREF(&args_[i]) = &slots_[i];
    return S_OK;
  }

  HRESULT AdaptRun(VARIANT& arg, VARTYPE element) {
    if (V_VT(&arg) == (element | VT_BYREF)) return S_OK;  // the caller's own elements
    run_.emplace();
    const HRESULT result = run_->Load(arg, element);
    if (FAILED(result)) return result;
    V_VT(&arg) = element | VT_BYREF;
    V_BYREF(&arg) = run_->First();
    return S_OK;
  }

  // The member may touch no more elements than the run holds.
  HRESULT BoundCount() {
    if (countArg_ < 0) return DISP_E_BADPARAMCOUNT;
    VARIANT& arg = args_[countArg_];
    VARIANT count;
    VariantInit(&count);
    const HRESULT result = VariantChangeType(&count, &arg, 0, VT_I4);
    if (FAILED(result)) return result;
    const LONG capacity = run_->Capacity();
    if (V_I4(&count) <= capacity) return S_OK;
    if (V_VT(&arg) == (VT_I4 | VT_BYREF)) {
      *V_I4REF(&arg) = capacity;
    } else if (V_VT(&arg) == (VT_I2 | VT_BYREF)) {
      *V_I2REF(&arg) = static_cast<SHORT>(capacity);  // below the SHORT it replaces
    } else if ((V_VT(&arg) & VT_BYREF) != 0 && V_VT(&arg) != (VT_VARIANT | VT_BYREF)) {
      return DISP_E_TYPEMISMATCH;
    } else {
      V_VT(&arg) = VT_I4;
      V_I4(&arg) = capacity;
    }
    return S_OK;
  }

  const FUNCDESC& desc_;
  const HostArrayParam* hostArray_;
  DISPPARAMS params_;
  std::vector<VARIANT> args_;
  std::vector<SAFEARRAY*> slots_;  // arrays passed by reference, one per argument
  std::vector<SafeArrayPtr> temps_;
  std::optional<ElementRun> run_;
  int countArg_ = -1;
};

IID InterfaceId(ITypeInfo* info) {
  IID id = IID_NULL;
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
    id = attributes->guid;
    info->ReleaseTypeAttr(attributes);
  }
  return id;
}

HRESULT ScriptResult(VARIANT* result) {
  if (result == nullptr) return S_OK;
  const VARTYPE type = V_VT(result);
  if ((type & VT_ARRAY) == 0 || (type & VT_BYREF) != 0 || type == (VT_ARRAY | VT_VARIANT))
    return S_OK;
  if (V_ARRAY(result) == nullptr) {
    V_VT(result) = VT_EMPTY;
    return S_OK;
  }
  SafeArrayPtr variants;
  const HRESULT converted = ToVariantArray(V_ARRAY(result), variants);
  VariantClear(result);
  if (FAILED(converted)) return converted;
  V_VT(result) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(result) = variants.release();
  return S_OK;
}
}  // namespace

HRESULT ScriptInvoke(ITypeInfo* info, void* instance, DISPID member, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &none;
  HRESULT outcome = S_OK;
  const FuncDescRef desc =
      params->cArgs > 0 ? FindFuncDesc(info, member, flags) : FuncDescRef{};
  if (!desc) {
    outcome = DispInvoke(instance, info, member, flags, params, result, exception, argError);
  } else {
    if (params->cArgs != DeclaredArgs(*desc)) return DISP_E_BADPARAMCOUNT;
    AdaptedCall call(*params, *desc, FindHostArrayParam(InterfaceId(info), member));
    outcome = call.Prepare(argError);
    if (SUCCEEDED(outcome))
      outcome = DispInvoke(instance, info, member, flags, call.Params(), result, exception, argError);
    if (SUCCEEDED(outcome)) outcome = call.Finish();
  }
  return SUCCEEDED(outcome) ? ScriptResult(result) : outcome;
}

}  // namespace e14::com
