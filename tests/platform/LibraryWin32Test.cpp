// What the Windows loader adds to the contract: the system folder is the
// second place looked in, and PATH is never searched.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Library.h"
#include "tests/platform/LoaderSupport.h"

namespace e14::platform {
namespace {

namespace fs = std::filesystem;

TEST(LibraryTest, TheSystemFolderComesNext) {
  void* library = LoadVendorLibrary("kernel32.dll");
  EXPECT_EQ(library, static_cast<void*>(GetModuleHandleA("kernel32.dll")));
  FreeVendorLibrary(library);
}

TEST(LibraryTest, NeverLoadsFromThePath) {
  const fs::path folder = fs::temp_directory_path() / ("e14-planted-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  fs::copy_file(testing::ProgramFolder() / "E14TestVendor.dll", folder / "E14Planted.dll",
                fs::copy_options::overwrite_existing);
  char path[32767] = {};
  GetEnvironmentVariableA("PATH", path, sizeof path);
  SetEnvironmentVariableA("PATH", (folder.string() + ";" + path).c_str());
  testing::ExpectOnlyAPlainSearchFinds("E14Planted.dll", "PATH");
  SetEnvironmentVariableA("PATH", path);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace e14::platform
