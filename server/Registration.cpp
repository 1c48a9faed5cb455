#include "server/Registration.h"

#include <oleauto.h>
#include <olectl.h>

#include "server/ClassesRoot.h"
#include "server/ComRef.h"
#include "server/HostInterfaceKeys.h"
#include "server/Kestrel.h"

namespace e14::com {

namespace {
constexpr wchar_t kProgId[] = L"Kestrel.E14_140";
constexpr WORD kLibMajor = 1;
constexpr WORD kLibMinor = 0;
#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_E14_140); }

bool WriteClassKeys(const std::wstring& modulePath) {
  const std::wstring key = ClassKey();
  const std::wstring server = key + L"\\InprocServer32";
  return SetText(key, nullptr, kProgId) && SetText(server, nullptr, modulePath) &&
         SetText(server, L"ThreadingModel", L"Apartment") &&
         SetText(key + L"\\ProgID", nullptr, kProgId) &&
         SetText(key + L"\\TypeLib", nullptr, GuidText(LIBID_Kestrel)) &&
         SetText(key + L"\\Version", nullptr, L"1.0") && SetText(kProgId, nullptr, kProgId) &&
         SetText(std::wstring(kProgId) + L"\\CLSID", nullptr, GuidText(CLSID_E14_140));
}

bool RemoveClassKeys() {
  bool removed = DeleteTree(ClassKey());
  // The ProgID is removed only while it still names this class.
  const auto owner = GetText(std::wstring(kProgId) + L"\\CLSID");
  if (!owner || *owner == GuidText(CLSID_E14_140)) removed = DeleteTree(kProgId) && removed;
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
  if (!WriteClassKeys(modulePath))
    result = SELFREG_E_CLASS;
  else if (!WriteTypeLibrary(modulePath))
    result = SELFREG_E_TYPELIB;
  if (FAILED(result)) UnregisterServer();
  return result;
}

HRESULT UnregisterServer() {
  const bool classRemoved = RemoveClassKeys();
  const bool libraryRemoved = RemoveTypeLibrary();
  if (!classRemoved) return SELFREG_E_CLASS;
  return libraryRemoved ? S_OK : SELFREG_E_TYPELIB;
}

}  // namespace e14::com
