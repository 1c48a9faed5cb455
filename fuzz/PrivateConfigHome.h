// A settings store of the fuzzer's own: XDG_CONFIG_HOME points at a fresh
// folder for the whole run, so no iteration reads or writes the user's store.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/posix/StoreFile.h"

namespace e14::fuzz {

// The store's folder.
inline std::filesystem::path StoreFolder() { return StoreFilePath().parent_path(); }

// Removes the store's folder (the store file, its lock and anything set aside).
inline void ClearStore() {
  std::error_code ignored;
  std::filesystem::remove_all(StoreFolder(), ignored);
}

// Creates the folder and points XDG_CONFIG_HOME at it; removed at exit. In
// memory where it can be: every registry change syncs the store file to disk,
// which costs nothing there, so iterations stay fast.
inline void UsePrivateConfigHome() {
  static std::string home;
  const bool shm = std::filesystem::is_directory("/dev/shm");
  home = ((shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) / "e14-fuzz-XXXXXX");
  if (mkdtemp(home.data()) == nullptr) std::abort();
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
  });
}

}  // namespace e14::fuzz
