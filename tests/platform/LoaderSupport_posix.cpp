#include <gtest/gtest.h>

#include "platform/Library.h"
#include "tests/platform/LoaderSupport.h"

namespace e14::platform::testing {

std::filesystem::path ProgramFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::string LibraryFile(const std::string& dllName) {
  return "lib" + dllName.substr(0, dllName.size() - 4) + ".so";
}

// The dynamic loader's own search never looks in the current directory (the
// test skips when LD_LIBRARY_PATH makes it): only the driver's loader is asked.
void ExpectOnlyAPlainSearchFinds(const std::string& dllName, const char* where) {
  void* library = LoadVendorLibrary(dllName);
  EXPECT_EQ(library, nullptr) << where;
  FreeVendorLibrary(library);
}

}  // namespace e14::platform::testing
