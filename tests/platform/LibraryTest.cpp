// The loader's contract, the same on every system (Support_*.cpp
// tells what differs).
#include "platform/Library.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/Platform.h"
#include "tests/platform/Support.h"

namespace e14::platform::testing {
namespace {

namespace fs = std::filesystem;

// Built beside the test program.
constexpr const char* kBesideUs = "E14TestVendor.dll";

// Beside the component (here the program, whose absolute folder it gives)
// first, then in the system folder.
TEST(LibraryTest, LoadsFromWhereItMayAndBindsExports) {
  EXPECT_EQ(ComponentFolder(), ProgramFolder().string());
  void* library = LoadVendorLibrary(kBesideUs);
  ASSERT_NE(library, nullptr);
  using Answer = int (*)();
  const auto answer = reinterpret_cast<Answer>(FindExport(library, "E14TestVendorAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(FindExport(library, "NoSuchExport"), nullptr);
  FreeVendorLibrary(library);

  EXPECT_EQ(LoadVendorLibrary("E14NoSuchLibrary.dll"), nullptr);
  EXPECT_EQ(FindExport(nullptr, "E14TestVendorAnswer"), nullptr);
  library = LoadVendorLibrary(kSystemLibrary);
  EXPECT_NE(library, nullptr);
  FreeVendorLibrary(library);
}

TEST(LibraryTest, NamesWithAFolderAreRefused) {
  // Each of these names the real library, by a way round from some folder.
  const std::string names[] = {
      (fs::path("..") / ProgramFolder().filename() / kBesideUs).string(),
      (fs::path(".") / kBesideUs).string(),
      (ProgramFolder() / kBesideUs).string(),
  };
  for (const std::string& name : names) EXPECT_EQ(LoadVendorLibrary(name), nullptr) << name;
}

TEST(LibraryTest, NeverLoadsFromTheCurrentDirectoryOrTheSearchPath) {
  const char* searchPath = std::getenv("LD_LIBRARY_PATH");
  const std::string folders = searchPath == nullptr ? "" : ":" + std::string(searchPath) + ":";
  if (folders.find("::") != std::string::npos || folders.find(":.:") != std::string::npos)
    GTEST_SKIP() << "LD_LIBRARY_PATH itself names the current directory";

  const fs::path folder = fs::temp_directory_path() / ("e14-planted-" + std::to_string(std::random_device{}()));
  fs::create_directories(folder);
  fs::copy_file(ProgramFolder() / LibraryFile(kBesideUs), folder / LibraryFile("E14Planted.dll"),
                fs::copy_options::overwrite_existing);
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  OnSearchPath(folder, true);
  ExpectAPlainLoadFinds("E14Planted.dll");
  EXPECT_EQ(LoadVendorLibrary("E14Planted.dll"), nullptr);
  OnSearchPath(folder, false);
  fs::current_path(previous);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace e14::platform::testing
