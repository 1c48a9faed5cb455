// A settings store of the fuzzer's own: XDG_CONFIG_HOME points at a fresh
// folder for the whole run, so no iteration reads or writes the user's store.
#pragma once

#include <filesystem>

namespace e14::fuzz {

// Creates the folder and points XDG_CONFIG_HOME at it; removed at exit.
void UsePrivateConfigHome();
// Removes the store's folder (the store file, its lock and anything set aside).
void ClearStore();
// The store's folder.
std::filesystem::path StoreFolder();

}  // namespace e14::fuzz
