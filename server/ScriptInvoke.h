// IDispatch::Invoke of a dual interface: through the interface's type
// description onto its vtable, with what late-bound script clients need.
//
// - VBScript passes every variable as a by-reference VARIANT, which
//   ITypeInfo::Invoke will not bind to a typed by-reference parameter
//   (short*, long*, ...): such an argument is converted in place and passed
//   as that typed reference, so the member's writes land in the variable.
// - A script array for a SAFEARRAY parameter becomes a typed array.
// - For a host array passed by its first element (HostArrayParams.h) a
//   script array or variable becomes an ElementRun, and the count that
//   bounds it is limited to the run's capacity.
// - A typed array result is handed back as an array of VARIANTs, which
//   scripts can index; a missing array as Empty.
// Arguments of exactly the declared types pass unchanged.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace e14::com {

HRESULT ScriptInvoke(ITypeInfo* info, void* instance, DISPID member, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError);

}  // namespace e14::com
