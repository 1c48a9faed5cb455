#include "ui/win32/ResourceModule.h"

namespace e14::win32ui {

HINSTANCE ResourceModule() {
  static const HINSTANCE module = [] {
    HMODULE found = nullptr;
    // The module holding this very function: the component when it is a DLL.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ResourceModule), &found);
    return found;
  }();
  return module;
}

std::wstring ResourceModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(ResourceModule(), path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace e14::win32ui
