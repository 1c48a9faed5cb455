#include "settings/posix/RegistryTree.h"

#include <algorithm>

namespace e14 {

namespace {

unsigned char Folded(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// Upper-case folding, not lower-case: it decides where "_" and the other
// characters between "Z" and "a" sort, and the system folds to upper case.
bool NameLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Folded(x) < Folded(y); });
}

// Where a subkey of that name is or would go in the sorted list.
auto SubKeySlot(const std::vector<std::unique_ptr<RegKey>>& keys, std::string_view name) {
  return std::lower_bound(keys.begin(), keys.end(), name, [](const auto& key, std::string_view n) {
    return NameLess(key->Name(), n);
  });
}

template <typename Values>
auto NamedValue(Values& values, std::string_view name) {
  return std::find_if(values.begin(), values.end(),
                      [&](const RegValue& value) { return SameName(value.Name, name); });
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Folded(x) == Folded(y); });
}

RegKey* RegKey::FindSubKey(std::string_view name) const {
  const auto it = SubKeySlot(subKeys_, name);
  return it != subKeys_.end() && SameName((*it)->Name(), name) ? it->get() : nullptr;
}

RegKey& RegKey::AddSubKey(std::string name) {
  const auto it = SubKeySlot(subKeys_, name);
  return **subKeys_.insert(it, std::make_unique<RegKey>(std::move(name)));
}

void RegKey::RemoveSubKey(const RegKey& subKey) {
  std::erase_if(subKeys_, [&](const auto& key) { return key.get() == &subKey; });
}

const RegValue* RegKey::FindValue(std::string_view name) const {
  const auto it = NamedValue(values_, name);
  return it == values_.end() ? nullptr : &*it;
}

void RegKey::SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data) {
  const auto it = NamedValue(values_, name);
  if (it == values_.end()) {
    values_.push_back({std::string(name), type, std::move(data)});
    return;
  }
  it->Type = type;
  it->Data = std::move(data);
}

bool RegKey::RemoveValue(std::string_view name) {
  const auto it = NamedValue(values_, name);
  if (it == values_.end()) return false;
  values_.erase(it);
  return true;
}

int32_t SplitKeyPath(std::string_view path, std::vector<std::string>& names) {
  path = path.substr(0, path.find('\0'));
  if (path.starts_with('\\')) return kErrorBadPathname;
  names.clear();
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) {
      if (end - start > kMaxKeyNameLength) return kErrorInvalidParameter;
      names.emplace_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return kErrorSuccess;
}

bool RegistryTree::IsRoot(RegHandle handle) {
  return handle >= kHkeyClassesRoot && handle < kHkeyClassesRoot + kRootCount;
}

RegKey* RegistryTree::Find(RegHandle root, const std::vector<std::string>& names) {
  if (!IsRoot(root)) return nullptr;
  RegKey* key = &roots_[root - kHkeyClassesRoot];
  for (const std::string& name : names) {
    key = key->FindSubKey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

}  // namespace e14
