#include <windows.h>

#include <gtest/gtest.h>

#include "platform/Library.h"
#include "tests/platform/LoaderSupport.h"

namespace e14::platform::testing {

std::filesystem::path ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

std::string LibraryFile(const std::string& dllName) { return dllName; }

void ExpectOnlyAPlainSearchFinds(const std::string& dllName, const char* where) {
  HMODULE plain = LoadLibraryA(dllName.c_str());
  EXPECT_NE(plain, nullptr) << where << ": the plant is not where a plain search looks";
  if (plain != nullptr) FreeLibrary(plain);
  void* library = LoadVendorLibrary(dllName);
  EXPECT_EQ(library, nullptr) << where;
  FreeVendorLibrary(library);
}

}  // namespace e14::platform::testing
