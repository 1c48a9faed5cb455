// The file under the user's configuration folder that holds the store, and
// the file operations that keep it whole: an exclusive lock between
// processes, atomic replacement and setting a damaged file aside.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace e14 {

// $XDG_CONFIG_HOME/e14-140/registry when XDG_CONFIG_HOME holds an absolute
// path, else $HOME/.config/e14-140/registry (the home folder from the
// password database when HOME is unset). Empty when there is no home folder.
std::filesystem::path StoreFilePath();

enum class StoreRead { Read, Missing, Failed };
StoreRead ReadStoreFile(const std::filesystem::path& file, std::string& bytes);

// Holds the store's lock file exclusively while it lives; creates the
// store's folder (private to the user) when it is missing.
class StoreLock {
 public:
  explicit StoreLock(const std::filesystem::path& file);
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

  // kErrorSuccess when the lock is held, else the Win32 code of the failure.
  int32_t Result() const { return result_; }

 private:
  int fd_ = -1;
  int32_t result_;
};

// Writes the bytes to a temporary file beside `file`, flushes it to disk and
// renames it over `file`, so the file is always either the old or the new
// store. Call with the lock held.
bool ReplaceStoreFile(const std::filesystem::path& file, const std::string& bytes);

// Renames `file` to "<name>.damaged-<local time>" (with a counter when that
// exists), never replacing another file. Call with the lock held.
bool SetStoreFileAside(const std::filesystem::path& file);

}  // namespace e14
