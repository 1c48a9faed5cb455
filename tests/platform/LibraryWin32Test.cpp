#include "platform/Library.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Platform.h"

namespace e14::platform {
namespace {

namespace fs = std::filesystem;

// Built beside the test program.
constexpr const char* kBesideUs = "E14TestVendor.dll";

fs::path ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

TEST(ComponentFolderTest, IsTheAbsoluteFolderOfTheProgram) {
  EXPECT_EQ(ComponentFolder(), ProgramFolder().string());
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

TEST(LibraryTest, TheSystemFolderComesNext) {
  void* library = LoadVendorLibrary("kernel32.dll");
  EXPECT_EQ(library, static_cast<void*>(GetModuleHandleA("kernel32.dll")));
  FreeVendorLibrary(library);
}

TEST(LibraryTest, NamesWithAFolderAreRefused) {
  // Each of these names the real library, by a way round from some folder.
  const std::string names[] = {
      "..\\" + ProgramFolder().filename().string() + "\\" + kBesideUs,
      ".\\" + std::string(kBesideUs),
      (ProgramFolder() / kBesideUs).string(),
  };
  for (const std::string& name : names) {
    void* library = LoadVendorLibrary(name);
    EXPECT_EQ(library, nullptr) << name;
    FreeVendorLibrary(library);
  }
}

// A copy planted where a plain LoadLibrary looks: the current directory, and
// a folder on PATH. The plain search finds it each time, the driver never.
TEST(LibraryTest, NeverLoadsFromTheCurrentDirectoryOrThePath) {
  const fs::path folder = fs::temp_directory_path() / ("e14-planted-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  fs::copy_file(ProgramFolder() / kBesideUs, folder / "E14Planted.dll", fs::copy_options::overwrite_existing);
  const auto expectOnlyPlainSearchFinds = [](const char* where) {
    HMODULE plain = LoadLibraryA("E14Planted.dll");
    EXPECT_NE(plain, nullptr) << where << ": the plant is not where a plain search looks";
    if (plain != nullptr) FreeLibrary(plain);
    void* library = LoadVendorLibrary("E14Planted.dll");
    EXPECT_EQ(library, nullptr) << where;
    FreeVendorLibrary(library);
  };

  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  expectOnlyPlainSearchFinds("current directory");
  fs::current_path(previous);

  char path[32767] = {};
  GetEnvironmentVariableA("PATH", path, sizeof path);
  SetEnvironmentVariableA("PATH", (folder.string() + ";" + path).c_str());
  expectOnlyPlainSearchFinds("PATH");
  SetEnvironmentVariableA("PATH", path);

  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace e14::platform
