#include "platform/Library.h"

#include <dlfcn.h>

#include <cstdio>
#include <strings.h>

#include "platform/Platform.h"

namespace e14::platform {
namespace {

// "LUsbApi3.dll" -> "libLUsbApi3.so".
std::string SharedObjectName(const std::string& dllName) {
  std::string base = dllName;
  if (base.size() > 4 && strcasecmp(base.c_str() + base.size() - 4, ".dll") == 0)
    base.resize(base.size() - 4);
  return "lib" + base + ".so";
}

}  // namespace

void* LoadVendorLibrary(const std::string& dllName) {
  // A name with a folder in it would be resolved against the current directory.
  if (dllName.empty() || dllName.find('/') != std::string::npos) return nullptr;
  const std::string name = SharedObjectName(dllName);
  // A relative folder ("." when unknown) would again mean the current directory.
  const std::string folder = ComponentFolder();
  if (folder.starts_with('/')) {
    const std::string beside = folder + "/" + name;
    if (void* library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
  }
  // A bare name makes the loader search only its configured folders.
  return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(void* library, const char* name) {
  return library == nullptr ? nullptr : dlsym(library, name);
}

void FreeVendorLibrary(void* library) {
  if (library != nullptr) dlclose(library);
}

void ShowMessage(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace e14::platform
