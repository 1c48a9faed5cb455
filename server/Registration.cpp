#include "server/Registration.h"

#include <oleauto.h>
#include <olectl.h>

#include "server/ClassFactory.h"
#include "server/ClassesRoot.h"
#include "server/ComRef.h"
#include "server/HostInterfaceKeys.h"
#include "server/Kestrel.h"
#include "ui/win32/WideText.h"

namespace e14::com {

namespace {
constexpr WORD kLibMajor = 1;
constexpr WORD kLibMinor = 0;
#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

std::wstring ClassKey(const ServerClass& served) { return L"CLSID\\" + GuidText(*served.Clsid); }

bool WriteClassKeys(const ServerClass& served, const std::wstring& modulePath) {
  const std::wstring key = ClassKey(served);
  const std::wstring server = key + L"\\InprocServer32";
  const std::wstring progId = win32ui::Widen(served.ProgId);
  return SetText(key, nullptr, progId) && SetText(server, nullptr, modulePath) &&
         SetText(server, L"ThreadingModel", L"Apartment") && SetText(key + L"\\ProgID", nullptr, progId) &&
         SetText(key + L"\\TypeLib", nullptr, GuidText(LIBID_Kestrel)) &&
         SetText(key + L"\\Version", nullptr, L"1.0") && SetText(progId, nullptr, progId) &&
         SetText(progId + L"\\CLSID", nullptr, GuidText(*served.Clsid));
}

bool RemoveClassKeys(const ServerClass& served) {
  bool removed = DeleteTree(ClassKey(served));
  // The ProgID is removed only while it still names this class.
  const std::wstring progId = win32ui::Widen(served.ProgId);
  const auto owner = GetText(progId + L"\\CLSID");
  if (!owner || *owner == GuidText(*served.Clsid)) removed = DeleteTree(progId) && removed;
  return removed;
}

// Writes TypeLib\{libid} and Interface\{iid} for every interface of the
// library embedded in the component, except the host's own interface keys.
bool WriteTypeLibrary(const std::wstring& modulePath) {
  ComRef<ITypeLib> library;
  if (FAILED(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library.put()))) return false;
  const HostInterfaceKeys hostKeys;
  const HRESULT result =
      RegisterTypeLib(library.get(), const_cast<wchar_t*>(modulePath.c_str()), nullptr);
  hostKeys.Restore();
  return SUCCEEDED(result);
}

bool RemoveTypeLibrary() {
  // Wine's UnRegisterTypeLib fails for a library that is not registered.
  BSTR registered = nullptr;
  if (FAILED(QueryPathOfRegTypeLib(LIBID_Kestrel, kLibMajor, kLibMinor, LOCALE_NEUTRAL,
                                   &registered)))
    return true;
  SysFreeString(registered);
  const HostInterfaceKeys hostKeys;
  const HRESULT result =
      UnRegisterTypeLib(LIBID_Kestrel, kLibMajor, kLibMinor, LOCALE_NEUTRAL, kSysKind);
  hostKeys.Restore();
  return SUCCEEDED(result);
}
}  // namespace

HRESULT RegisterServer(const std::wstring& modulePath) {
  HRESULT result = S_OK;
  bool classesWritten = true;
  for (const ServerClass& served : ServerClasses()) classesWritten = classesWritten && WriteClassKeys(served, modulePath);
  if (!classesWritten)
    result = SELFREG_E_CLASS;
  else if (!WriteTypeLibrary(modulePath))
    result = SELFREG_E_TYPELIB;
  if (FAILED(result)) UnregisterServer();
  return result;
}

HRESULT UnregisterServer() {
  bool classRemoved = true;
  for (const ServerClass& served : ServerClasses()) classRemoved = RemoveClassKeys(served) && classRemoved;
  const bool libraryRemoved = RemoveTypeLibrary();
  if (!classRemoved) return SELFREG_E_CLASS;
  return libraryRemoved ? S_OK : SELFREG_E_TYPELIB;
}

}  // namespace e14::com
