// The registry of POSIX builds: the system registry's calls, semantics and
// result codes over one file under the user's configuration folder (see
// StoreFile.h for where and StoreFormat.h for its text).
//
// Every call sees the file as it is now: a change by another process shows
// at the next call. Every change takes the store's lock, re-reads the file,
// applies the change and atomically replaces the file, so no process loses
// another's change. A file that cannot be read as a store fails the call
// that finds it with kErrorBadRegistryFile and is renamed aside, never
// overwritten; later calls see an empty store and the next change starts a
// new file.
//
// Handles name their key by its path: a handle whose key was deleted fails
// with kErrorKeyDeleted, and finds a key created again under that path.
// Calls may come from any thread.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "settings/RegistryApi.h"
#include "settings/posix/RegistryTree.h"

namespace e14 {

class FileRegistry final : public RegistryApi {
 public:
  int32_t OpenKey(RegHandle root, const std::string& path, uint32_t access,
                  RegHandle& key) override;
  int32_t CreateKey(RegHandle root, const std::string& path, uint32_t access,
                    RegHandle& key) override;
  int32_t CloseKey(RegHandle key) override;
  int32_t DeleteKey(RegHandle key, const std::string& subKey) override;
  int32_t DeleteValue(RegHandle key, const std::string& name) override;
  int32_t SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override;
  int32_t QueryValue(RegHandle key, const std::string& name, uint32_t* type, uint8_t* data,
                     uint32_t& size) override;
  int32_t QueryInfoKey(RegHandle key, RegKeyInfo& info) override;
  int32_t EnumKey(RegHandle key, uint32_t index, std::string& name) override;
  int32_t EnumValue(RegHandle key, uint32_t index, std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override;
  std::string MessageText(int32_t code) override;

 private:
  // What a handle stands for: a key by its root and names, and the access
  // it was opened with.
  struct KeyRef {
    RegHandle Root = 0;
    std::vector<std::string> Names;
    uint32_t Access = 0;
  };

  int32_t Refresh(const std::filesystem::path& file, bool locked);
  // The key a handle stands for, when the handle allows `access`.
  int32_t Resolve(RegHandle handle, uint32_t access, KeyRef& ref, RegKey*& key);
  int32_t RefreshAndResolve(RegHandle handle, uint32_t access, RegKey*& key);
  // Runs change(changed) on the current store under the lock and saves the
  // store when it reports a change.
  template <typename Change>
  int32_t Modify(Change change);
  // Modify on the values of an open key; `change` returns the status and sets `changed`.
  template <typename Change>
  int32_t ModifyValues(RegHandle key, Change change);
  RegHandle NewHandle(KeyRef ref);

  std::mutex mutex_;
  std::filesystem::path file_;
  // The bytes tree_ was read from ("" for no file); none when tree_ must be read again.
  std::optional<std::string> loaded_;
  RegistryTree tree_;
  std::unordered_map<RegHandle, KeyRef> handles_;
  // Above every 32-bit value, so a handle is never taken for a root.
  RegHandle nextHandle_ = 0x100000000;
};

}  // namespace e14
