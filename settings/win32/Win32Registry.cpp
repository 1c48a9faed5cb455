// The registry of Windows builds: the advapi32 ANSI registry calls and the
// system message table, one call each.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"

namespace e14 {

namespace {

// Buffer sizes grow this many times when a name or data keeps outgrowing
// them (another process changing the key); then the call gives up.
constexpr int kGrowAttempts = 8;

// Predefined roots travel as 32-bit values; on 64-bit Windows their HKEYs
// are those values sign-extended.
HKEY ToHkey(RegHandle handle) {
  if ((handle >> 32) == 0 && (handle & 0x80000000) != 0) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(handle)));
  }
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(handle));
}

RegHandle FromHkey(HKEY key) { return static_cast<RegHandle>(reinterpret_cast<ULONG_PTR>(key)); }

int32_t Code(LONG result) { return static_cast<int32_t>(result); }

class Win32Registry final : public RegistryApi {
 public:
  int32_t OpenKey(RegHandle root, const std::string& path, uint32_t access,
                  RegHandle& key) override {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(ToHkey(root), path.c_str(), 0, access, &opened);
    if (result == ERROR_SUCCESS) key = FromHkey(opened);
    return Code(result);
  }

  int32_t CreateKey(RegHandle root, const std::string& path, uint32_t access,
                    RegHandle& key) override {
    HKEY created = nullptr;
    const LONG result =
        RegCreateKeyExA(ToHkey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                        nullptr, &created, nullptr);
    if (result == ERROR_SUCCESS) key = FromHkey(created);
    return Code(result);
  }

  int32_t CloseKey(RegHandle key) override { return Code(RegCloseKey(ToHkey(key))); }

  int32_t DeleteKey(RegHandle key, const std::string& subKey) override {
    return Code(RegDeleteKeyA(ToHkey(key), subKey.c_str()));
  }

  int32_t DeleteValue(RegHandle key, const std::string& name) override {
    return Code(RegDeleteValueA(ToHkey(key), name.c_str()));
  }

  int32_t SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override {
    return Code(RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size));
  }

  int32_t QueryValue(RegHandle key, const std::string& name, uint32_t* type, uint8_t* data,
                     uint32_t& size) override {
    DWORD storedType = 0;
    DWORD bytes = size;
    const LONG result =
        RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &storedType, data, &bytes);
    size = bytes;
    if (type != nullptr) *type = storedType;
    return Code(result);
  }

  int32_t QueryInfoKey(RegHandle key, RegKeyInfo& info) override {
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
    const LONG result =
        RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                         &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
    info = {subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen};
    return Code(result);
  }

  int32_t EnumKey(RegHandle key, uint32_t index, std::string& name) override {
    // Key names are at most 255 characters; an ANSI name may take two bytes each.
    std::string buffer(512, '\0');
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kGrowAttempts && result == ERROR_MORE_DATA; ++attempt) {
      DWORD length = static_cast<DWORD>(buffer.size());
      result = RegEnumKeyExA(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                             nullptr);
      if (result == ERROR_SUCCESS) name.assign(buffer.data(), length);
      if (result == ERROR_MORE_DATA) buffer.resize(buffer.size() * 2);
    }
    return Code(result);
  }

  int32_t EnumValue(RegHandle key, uint32_t index, std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override {
    RegKeyInfo info;
    QueryInfoKey(key, info);
    std::string nameBuffer((size_t{info.MaxValueNameLen} + 1) * 2, '\0');
    std::vector<uint8_t> dataBuffer(std::max<size_t>(info.MaxValueLen, 1));
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kGrowAttempts && result == ERROR_MORE_DATA; ++attempt) {
      DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
      DWORD dataLength = static_cast<DWORD>(dataBuffer.size());
      DWORD storedType = 0;
      result = RegEnumValueA(ToHkey(key), index, nameBuffer.data(), &nameLength, nullptr,
                             &storedType, dataBuffer.data(), &dataLength);
      if (result == ERROR_SUCCESS) {
        name.assign(nameBuffer.data(), nameLength);
        type = storedType;
        data.assign(dataBuffer.begin(), dataBuffer.begin() + dataLength);
      } else if (result == ERROR_MORE_DATA) {
        // The call does not say which buffer was short: grow both.
        nameBuffer.resize(nameBuffer.size() * 2);
        dataBuffer.resize(std::max<size_t>(dataBuffer.size() * 2, dataLength));
      }
    }
    return Code(result);
  }

  std::string MessageText(int32_t code) override {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message(text != nullptr ? text : "", text != nullptr ? length : 0);
    LocalFree(text);
    return message;
  }
};

}  // namespace

RegistryApi& PlatformRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace e14
