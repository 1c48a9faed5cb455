// Every registry test gets an empty HKEY_CURRENT_USER of its own in the
// platform's registry, removed again afterwards, and a way to store bytes
// below cRegistry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/RegistryApi.h"
#include "settings/cRegistry.h"

namespace e14 {

constexpr uint32_t kCurrentUser = static_cast<uint32_t>(kHkeyCurrentUser);

// One implementation per platform, in posix/ and win32/.
class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

 private:
  std::string place_;  // the private key on Windows
};

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

class RegistryTest : public ::testing::Test {
 protected:
  // Creates the key below HKEY_CURRENT_USER and stores the value as given.
  void Store(const std::string& path, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
    RegHandle key = 0;
    ASSERT_EQ(api_.CreateKey(kHkeyCurrentUser, path, kKeyWrite, key), kErrorSuccess);
    EXPECT_EQ(api_.SetValue(key, name, type, data.data(), static_cast<uint32_t>(data.size())), kErrorSuccess);
    api_.CloseKey(key);
  }

  RegistrySandbox sandbox_;
  RegistryApi& api_ = PlatformRegistry();
  cRegistry reg_;
};

// The platform's store, with the next call of one kind failing: the
// failures that no stored state produces.
class FailingStore final : public RegistryApi {
 public:
  enum class Call { None, DataQuery, EnumKey, EnumValue };
  static constexpr int32_t kFailure = kErrorRegistryIoFailed;

  void FailNext(Call call) { failing_ = call; }

  int32_t OpenKey(RegHandle root, const std::string& path, uint32_t access, RegHandle& key) override {
    return store_.OpenKey(root, path, access, key);
  }
  int32_t CreateKey(RegHandle root, const std::string& path, uint32_t access, RegHandle& key) override {
    return store_.CreateKey(root, path, access, key);
  }
  int32_t CloseKey(RegHandle key) override { return store_.CloseKey(key); }
  int32_t DeleteKey(RegHandle key, const std::string& subKey) override { return store_.DeleteKey(key, subKey); }
  int32_t DeleteValue(RegHandle key, const std::string& name) override { return store_.DeleteValue(key, name); }
  int32_t SetValue(RegHandle key, const std::string& name, uint32_t type, const uint8_t* data,
                   uint32_t size) override {
    return store_.SetValue(key, name, type, data, size);
  }
  int32_t QueryValue(RegHandle key, const std::string& name, uint32_t* type, uint8_t* data,
                     uint32_t& size) override {
    return data != nullptr && Fails(Call::DataQuery) ? kFailure : store_.QueryValue(key, name, type, data, size);
  }
  int32_t QueryInfoKey(RegHandle key, RegKeyInfo& info) override { return store_.QueryInfoKey(key, info); }
  int32_t EnumKey(RegHandle key, uint32_t index, std::string& name) override {
    return Fails(Call::EnumKey) ? kFailure : store_.EnumKey(key, index, name);
  }
  int32_t EnumValue(RegHandle key, uint32_t index, std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override {
    return Fails(Call::EnumValue) ? kFailure : store_.EnumValue(key, index, name, type, data);
  }
  std::string MessageText(int32_t code) override { return store_.MessageText(code); }

 private:
  bool Fails(Call call) {
    if (call != failing_) return false;
    failing_ = Call::None;
    return true;
  }

  RegistryApi& store_ = PlatformRegistry();
  Call failing_ = Call::None;
};

}  // namespace e14
