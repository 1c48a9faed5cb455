#include "server/ServerModule.h"

#include <oleauto.h>

namespace e14::com {

namespace {
HMODULE g_module = nullptr;
LONG g_locks = 0;
// Loaded on first use and kept: every call through IDispatch needs it.
INIT_ONCE g_typeLibOnce = INIT_ONCE_STATIC_INIT;
ITypeLib* g_typeLib = nullptr;

BOOL CALLBACK LoadOwnTypeLib(PINIT_ONCE, PVOID, PVOID*) {
  try {
    if (FAILED(LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &g_typeLib))) g_typeLib = nullptr;
  } catch (...) {  // called from the system: nothing may pass through it
    g_typeLib = nullptr;
  }
  return TRUE;
}
}  // namespace

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void LockModule() { InterlockedIncrement(&g_locks); }
void UnlockModule() { InterlockedDecrement(&g_locks); }
bool ModuleLocked() { return InterlockedCompareExchange(&g_locks, 0, 0) != 0; }

ITypeInfo* InterfaceTypeInfo(REFIID iid) {
  InitOnceExecuteOnce(&g_typeLibOnce, LoadOwnTypeLib, nullptr, nullptr);
  ITypeInfo* info = nullptr;
  if (g_typeLib == nullptr || FAILED(g_typeLib->GetTypeInfoOfGuid(iid, &info))) return nullptr;
  return info;
}

}  // namespace e14::com

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    e14::com::g_module = instance;
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && e14::com::g_typeLib) {
    // Only on FreeLibrary: at process exit oleaut32 may already be gone.
    e14::com::g_typeLib->Release();
  }
  return TRUE;
}
