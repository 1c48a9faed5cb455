#include "fuzz/PrivateConfigHome.h"

#include <cstdlib>
#include <string>

#include "settings/posix/StoreFile.h"

namespace e14::fuzz {

namespace {

std::filesystem::path& Home() {
  static std::filesystem::path home;
  return home;
}

void RemoveHome() {
  std::error_code ignored;
  std::filesystem::remove_all(Home(), ignored);
}

}  // namespace

void UsePrivateConfigHome() {
  // Every registry change syncs the store file to disk; in memory that costs
  // nothing, so iterations stay fast.
  const std::filesystem::path shm = "/dev/shm";
  const std::filesystem::path base =
      std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
  std::string pattern = (base / "e14-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  Home() = pattern;
  setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
  std::atexit(RemoveHome);
}

std::filesystem::path StoreFolder() { return StoreFilePath().parent_path(); }

void ClearStore() {
  std::error_code ignored;
  std::filesystem::remove_all(StoreFolder(), ignored);
}

}  // namespace e14::fuzz
