#include "settings/posix/FileRegistry.h"

#include <algorithm>
#include <utility>

#include "settings/posix/StoreFile.h"
#include "settings/posix/StoreFormat.h"

namespace e14 {

namespace {

constexpr uint32_t kAllAccess = 0xFFFFFFFF;

// The ANSI calls take names as C strings.
std::string CName(const std::string& name) { return name.substr(0, name.find('\0')); }

// The system's texts for the codes this store and cRegistry report.
const std::pair<int32_t, const char*> kMessages[] = {
    {kErrorSuccess, "The operation completed successfully."},
    {kErrorFileNotFound, "The system cannot find the file specified."},
    {kErrorAccessDenied, "Access is denied."},
    {kErrorInvalidHandle, "The handle is invalid."},
    {kErrorInvalidParameter, "The parameter is incorrect."},
    {kErrorBadPathname, "The specified path is invalid."},
    {kErrorLockFailed, "Unable to lock a region of a file."},
    {kErrorMoreData, "More data is available."},
    {kErrorNoMoreItems, "No more data is available."},
    {kErrorBadRegistryFile, "The configuration registry database is corrupt."},
    {kErrorRegistryIoFailed,
     "An I/O operation initiated by the registry failed unrecoverably. The registry could not "
     "read in, or write out, or flush, one of the files that contain the system's image of the "
     "registry."},
    {kErrorKeyDeleted,
     "Illegal operation attempted on a registry key that has been marked for deletion."},
    {kErrorDatatypeMismatch, "The data supplied is of wrong type."},
    {kErrorUnsupportedType, "Data of this type is not supported."},
};

}  // namespace

int32_t FileRegistry::Refresh(const std::filesystem::path& file, bool locked) {
  if (file != file_) {
    file_ = file;
    loaded_.reset();
  }
  std::string bytes;
  const StoreRead read = file_.empty() ? StoreRead::Missing : ReadStoreFile(file_, bytes);
  if (read == StoreRead::Failed) return kErrorRegistryIoFailed;
  if (read == StoreRead::Missing) bytes.clear();
  // "" stands for no file; an empty file is no store and is parsed (and set aside).
  if (loaded_ == bytes && !(read == StoreRead::Read && bytes.empty())) return kErrorSuccess;
  RegistryTree tree;
  if (read == StoreRead::Missing || ParseStore(bytes, tree)) {
    tree_ = std::move(tree);
    loaded_ = std::move(bytes);
    return kErrorSuccess;
  }
  if (locked) {
    SetStoreFileAside(file_);
  } else {
    // Set aside only what is still there once no writer can be replacing it.
    const StoreLock lock(file_);
    std::string again;
    if (lock.Result() == kErrorSuccess && ReadStoreFile(file_, again) == StoreRead::Read &&
        again == bytes) {
      SetStoreFileAside(file_);
    }
  }
  tree_ = RegistryTree();
  loaded_.reset();
  return kErrorBadRegistryFile;
}

int32_t FileRegistry::Resolve(RegHandle handle, uint32_t access, KeyRef& ref, RegKey*& key) {
  if (RegistryTree::IsRoot(handle)) {
    ref = {handle, {}, kAllAccess};
  } else {
    const auto it = handles_.find(handle);
    if (it == handles_.end()) return kErrorInvalidHandle;
    ref = it->second;
  }
  if ((ref.Access & access) != access) return kErrorAccessDenied;
  key = tree_.Find(ref.Root, ref.Names);
  return key == nullptr ? kErrorKeyDeleted : kErrorSuccess;
}

int32_t FileRegistry::RefreshAndResolve(RegHandle handle, uint32_t access, RegKey*& key) {
  const int32_t result = Refresh(StoreFilePath(), false);
  if (result != kErrorSuccess) return result;
  KeyRef ref;
  return Resolve(handle, access, ref, key);
}

template <typename Change>
int32_t FileRegistry::Modify(Change change) {
  const std::filesystem::path file = StoreFilePath();
  if (file.empty()) return kErrorRegistryIoFailed;
  const StoreLock lock(file);
  if (lock.Result() != kErrorSuccess) return lock.Result();
  int32_t result = Refresh(file, true);
  if (result != kErrorSuccess) return result;
  bool changed = false;
  result = change(changed);
  if (result != kErrorSuccess || !changed) return result;
  std::string bytes = FormatStore(tree_);
  if (!ReplaceStoreFile(file_, bytes)) {
    loaded_.reset();
    return kErrorRegistryIoFailed;
  }
  loaded_ = std::move(bytes);
  return kErrorSuccess;
}

RegHandle FileRegistry::NewHandle(KeyRef ref) {
  const RegHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, std::move(ref));
  return handle;
}

int32_t FileRegistry::OpenKey(RegHandle root, const std::string& path, uint32_t access,
                              RegHandle& key) {
  const std::lock_guard guard(mutex_);
  int32_t result = Refresh(StoreFilePath(), false);
  KeyRef ref;
  RegKey* parent = nullptr;
  if (result == kErrorSuccess) result = Resolve(root, 0, ref, parent);
  std::vector<std::string> names;
  if (result == kErrorSuccess) result = SplitKeyPath(path, names);
  if (result != kErrorSuccess) return result;
  for (const std::string& name : names) {
    parent = parent->FindSubKey(name);
    if (parent == nullptr) return kErrorFileNotFound;
    ref.Names.push_back(parent->Name());
  }
  ref.Access = access;
  key = NewHandle(std::move(ref));
  return kErrorSuccess;
}

int32_t FileRegistry::CreateKey(RegHandle root, const std::string& path, uint32_t access,
                                RegHandle& key) {
  const std::lock_guard guard(mutex_);
  KeyRef ref;
  const int32_t result = Modify([&](bool& changed) {
    RegKey* parent = nullptr;
    std::vector<std::string> names;
    int32_t status = Resolve(root, 0, ref, parent);
    if (status == kErrorSuccess) status = SplitKeyPath(path, names);
    if (status != kErrorSuccess) return status;
    if (ref.Names.size() + names.size() > kMaxKeyDepth) return kErrorInvalidParameter;
    for (const std::string& name : names) {
      RegKey* child = parent->FindSubKey(name);
      if (child == nullptr) {
        // Checked before the first key is added, so a refusal changes nothing.
        if (!changed && (ref.Access & kKeyCreateSubKey) == 0) return kErrorAccessDenied;
        child = &parent->AddSubKey(name);
        changed = true;
      }
      parent = child;
      ref.Names.push_back(child->Name());
    }
    return kErrorSuccess;
  });
  if (result != kErrorSuccess) return result;
  ref.Access = access;
  key = NewHandle(std::move(ref));
  return kErrorSuccess;
}

int32_t FileRegistry::CloseKey(RegHandle key) {
  const std::lock_guard guard(mutex_);
  if (RegistryTree::IsRoot(key)) return kErrorSuccess;
  return handles_.erase(key) > 0 ? kErrorSuccess : kErrorInvalidHandle;
}

int32_t FileRegistry::DeleteKey(RegHandle key, const std::string& subKey) {
  const std::lock_guard guard(mutex_);
  return Modify([&](bool& changed) {
    KeyRef ref;
    RegKey* base = nullptr;
    std::vector<std::string> names;
    int32_t status = Resolve(key, 0, ref, base);
    if (status == kErrorSuccess) status = SplitKeyPath(subKey, names);
    if (status != kErrorSuccess) return status;
    names.insert(names.begin(), ref.Names.begin(), ref.Names.end());
    if (names.empty()) return kErrorAccessDenied;  // a root cannot be deleted
    const std::string name = std::move(names.back());
    names.pop_back();
    RegKey* parent = tree_.Find(ref.Root, names);
    RegKey* target = parent == nullptr ? nullptr : parent->FindSubKey(name);
    if (target == nullptr) return kErrorFileNotFound;
    if (!target->SubKeys().empty()) return kErrorAccessDenied;
    parent->RemoveSubKey(*target);
    changed = true;
    return kErrorSuccess;
  });
}

template <typename Change>
int32_t FileRegistry::ModifyValues(RegHandle key, Change change) {
  const std::lock_guard guard(mutex_);
  return Modify([&](bool& changed) {
    KeyRef ref;
    RegKey* target = nullptr;
    const int32_t status = Resolve(key, kKeySetValue, ref, target);
    return status == kErrorSuccess ? change(*target, changed) : status;
  });
}

int32_t FileRegistry::DeleteValue(RegHandle key, const std::string& name) {
  return ModifyValues(key, [&](RegKey& target, bool& changed) {
    changed = target.RemoveValue(CName(name));
    return changed ? kErrorSuccess : kErrorFileNotFound;
  });
}

int32_t FileRegistry::SetValue(RegHandle key, const std::string& name, uint32_t type,
                               const uint8_t* data, uint32_t size) {
  const std::string valueName = CName(name);
  if (valueName.size() > kMaxValueNameLength || (data == nullptr && size > 0)) {
    return kErrorInvalidParameter;
  }
  return ModifyValues(key, [&](RegKey& target, bool& changed) {
    target.SetValue(valueName, type, std::vector<uint8_t>(data, data + size));
    changed = true;
    return kErrorSuccess;
  });
}

int32_t FileRegistry::QueryValue(RegHandle key, const std::string& name, uint32_t* type,
                                 uint8_t* data, uint32_t& size) {
  const std::lock_guard guard(mutex_);
  RegKey* target = nullptr;
  const int32_t result = RefreshAndResolve(key, kKeyQueryValue, target);
  if (result != kErrorSuccess) return result;
  const RegValue* value = target->FindValue(CName(name));
  if (value == nullptr) return kErrorFileNotFound;
  if (type != nullptr) *type = value->Type;
  const auto needed = static_cast<uint32_t>(value->Data.size());
  const bool fits = size >= needed;
  size = needed;
  if (data == nullptr) return kErrorSuccess;
  if (!fits) return kErrorMoreData;
  std::copy(value->Data.begin(), value->Data.end(), data);
  return kErrorSuccess;
}

int32_t FileRegistry::QueryInfoKey(RegHandle key, RegKeyInfo& info) {
  const std::lock_guard guard(mutex_);
  RegKey* target = nullptr;
  const int32_t result = RefreshAndResolve(key, kKeyQueryValue, target);
  if (result != kErrorSuccess) return result;
  info = RegKeyInfo();
  info.SubKeys = static_cast<uint32_t>(target->SubKeys().size());
  info.Values = static_cast<uint32_t>(target->Values().size());
  for (const auto& subKey : target->SubKeys()) {
    info.MaxSubKeyLen = std::max(info.MaxSubKeyLen, static_cast<uint32_t>(subKey->Name().size()));
  }
  for (const RegValue& value : target->Values()) {
    info.MaxValueNameLen = std::max(info.MaxValueNameLen, static_cast<uint32_t>(value.Name.size()));
    info.MaxValueLen = std::max(info.MaxValueLen, static_cast<uint32_t>(value.Data.size()));
  }
  return kErrorSuccess;
}

int32_t FileRegistry::EnumKey(RegHandle key, uint32_t index, std::string& name) {
  const std::lock_guard guard(mutex_);
  RegKey* target = nullptr;
  const int32_t result = RefreshAndResolve(key, kKeyEnumerateSubKeys, target);
  if (result != kErrorSuccess) return result;
  if (index >= target->SubKeys().size()) return kErrorNoMoreItems;
  name = target->SubKeys()[index]->Name();
  return kErrorSuccess;
}

int32_t FileRegistry::EnumValue(RegHandle key, uint32_t index, std::string& name, uint32_t& type,
                                std::vector<uint8_t>& data) {
  const std::lock_guard guard(mutex_);
  RegKey* target = nullptr;
  const int32_t result = RefreshAndResolve(key, kKeyQueryValue, target);
  if (result != kErrorSuccess) return result;
  if (index >= target->Values().size()) return kErrorNoMoreItems;
  const RegValue& value = target->Values()[index];
  name = value.Name;
  type = value.Type;
  data = value.Data;
  return kErrorSuccess;
}

std::string FileRegistry::MessageText(int32_t code) {
  for (const auto& [known, text] : kMessages) {
    if (known == code) return std::string(text) + "\r\n";
  }
  return "";
}

RegistryApi& PlatformRegistry() {
  static FileRegistry registry;
  return registry;
}

}  // namespace e14
