#include "platform/Library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Platform.h"

namespace e14::platform {
namespace {

namespace fs = std::filesystem;

// Built beside the test program as libE14TestVendor.so.
constexpr const char* kBesideUs = "E14TestVendor.dll";

TEST(ComponentFolderTest, IsTheAbsoluteFolderOfTheProgramWhateverItWasStartedAs) {
  EXPECT_EQ(ComponentFolder(), fs::read_symlink("/proc/self/exe").parent_path().string());
}

TEST(LibraryTest, LoadsTheLibraryBesideTheComponentAndBindsItsExports) {
  void* library = LoadVendorLibrary(kBesideUs);
  ASSERT_NE(library, nullptr);
  using Answer = int (*)();
  const auto answer = reinterpret_cast<Answer>(FindExport(library, "E14TestVendorAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(FindExport(library, "NoSuchExport"), nullptr);
  FreeVendorLibrary(library);
}

TEST(LibraryTest, AMissingLibraryGivesNull) {
  EXPECT_EQ(LoadVendorLibrary("E14NoSuchLibrary.dll"), nullptr);
  EXPECT_EQ(FindExport(nullptr, "E14TestVendorAnswer"), nullptr);
}

TEST(LibraryTest, NeverLoadsFromTheCurrentDirectory) {
  const char* searchPath = std::getenv("LD_LIBRARY_PATH");
  const std::string folders = searchPath == nullptr ? "" : ":" + std::string(searchPath) + ":";
  if (folders.find("::") != std::string::npos || folders.find(":.:") != std::string::npos)
    GTEST_SKIP() << "LD_LIBRARY_PATH itself names the current directory";

  std::string pattern = (fs::temp_directory_path() / "e14-cwd-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path folder = pattern;
  fs::copy_file(fs::path(ComponentFolder()) / "libE14TestVendor.so", folder / "libE14CwdOnly.so");
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  void* library = LoadVendorLibrary("E14CwdOnly.dll");
  fs::current_path(previous);
  fs::remove_all(folder);
  EXPECT_EQ(library, nullptr);
  FreeVendorLibrary(library);
}

}  // namespace
}  // namespace e14::platform
