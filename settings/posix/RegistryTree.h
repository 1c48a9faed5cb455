// The file store's keys and values in memory, with the system registry's
// naming rules: names match without regard to the case of ASCII letters and
// keep the case they were created with; other bytes match exactly. Names are
// C strings: no name holds a NUL.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "settings/RegistryApi.h"

namespace e14 {

// The system's limits: longer names and deeper trees are refused.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyDepth = 512;

bool SameName(std::string_view a, std::string_view b);

struct RegValue {
  std::string Name;
  uint32_t Type = kRegNone;
  std::vector<uint8_t> Data;
};

class RegKey {
 public:
  explicit RegKey(std::string name = "") : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }

  // In the system's enumeration order: sorted as if ASCII letters were upper case.
  const std::vector<std::unique_ptr<RegKey>>& SubKeys() const { return subKeys_; }
  RegKey* FindSubKey(std::string_view name) const;
  // The name must be absent.
  RegKey& AddSubKey(std::string name);
  void RemoveSubKey(const RegKey& subKey);

  // In creation order; replacing a value keeps its place and its name's case.
  const std::vector<RegValue>& Values() const { return values_; }
  const RegValue* FindValue(std::string_view name) const;
  void SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data);
  bool RemoveValue(std::string_view name);

 private:
  std::string name_;
  std::vector<std::unique_ptr<RegKey>> subKeys_;
  std::vector<RegValue> values_;
};

// The names of a key path below its parent: doubled and trailing backslashes
// are skipped and a leading one is a bad path, as the system does; a name
// ends at a NUL. Returns a Win32 result code.
int32_t SplitKeyPath(std::string_view path, std::vector<std::string>& names);

// The six roots the store keeps, HKEY_CLASSES_ROOT..HKEY_CURRENT_CONFIG.
class RegistryTree {
 public:
  static constexpr size_t kRootCount = 6;

  static bool IsRoot(RegHandle handle);
  static RegHandle RootHandle(size_t index) { return kHkeyClassesRoot + index; }

  RegKey& Root(size_t index) { return roots_[index]; }
  const RegKey& Root(size_t index) const { return roots_[index]; }
  // The key at `names` below `root`; null when a name is missing or the root is not a store root.
  RegKey* Find(RegHandle root, const std::vector<std::string>& names);

 private:
  std::array<RegKey, kRootCount> roots_;
};

}  // namespace e14
