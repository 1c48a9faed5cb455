#include "platform/Library.h"

#include <windows.h>

#include "platform/Platform.h"

namespace e14::platform {
namespace {

constexpr const char* kMessageCaption = "E14_140";

// "C:\..." or "\\server\..."; anything else would be taken relative to the
// current directory.
bool IsAbsolute(const std::string& folder) {
  return (folder.size() > 2 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) ||
         folder.starts_with("\\\\");
}

void* LoadFrom(const std::string& folder, const std::string& dllName) {
  if (!IsAbsolute(folder)) return nullptr;
  const std::string path = folder + "\\" + dllName;
  // The library's own dependencies are then looked for beside it first. A
  // damaged file must fail quietly, not stop the host with a system dialog.
  DWORD previousMode = 0;
  const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
  HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (quiet) SetThreadErrorMode(previousMode, nullptr);
  return library;
}

std::string SystemFolder() {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(folder, length);
}

}  // namespace

void* LoadVendorLibrary(const std::string& dllName) {
  // A name with a folder in it would be resolved against the current directory.
  if (dllName.empty() || dllName.find_first_of("\\/:") != std::string::npos) return nullptr;
  // Full paths only: a bare name would be searched for in the current
  // directory and along PATH.
  if (void* library = LoadFrom(ComponentFolder(), dllName)) return library;
  return LoadFrom(SystemFolder(), dllName);
}

void* FindExport(void* library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeVendorLibrary(void* library) {
  if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

void ShowMessage(const std::string& text) { MessageBoxA(nullptr, text.c_str(), kMessageCaption, MB_OK); }

}  // namespace e14::platform
