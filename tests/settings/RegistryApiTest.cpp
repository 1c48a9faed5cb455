// The platform store's own semantics, which cRegistry relies on: the same on
// the system registry and on the file store.
#include <tuple>

#include "tests/settings/RegistryFixture.h"

namespace e14 {
namespace {

class ApiTest : public RegistryTest {
 protected:
  RegHandle Open(const std::string& path, uint32_t access = kKeyRead | kKeyWrite) {
    RegHandle key = 0;
    EXPECT_EQ(api_.OpenKey(kHkeyCurrentUser, path, access, key), kErrorSuccess) << path;
    return key;
  }
};

TEST_F(ApiTest, NamesIgnoreCaseKeepTheirFirstSpellingAndSubkeysListInNameOrder) {
  for (const char* name : {"b", "A", "c", "B1"}) Store(name, "v", kRegNone, {});
  Store("MixedCase", "Rate", kRegDword, {1, 0, 0, 0});
  Store("MIXEDCASE", "RATE", kRegDword, {2, 0, 0, 0});
  std::vector<std::string> names;
  for (std::string name; api_.EnumKey(kHkeyCurrentUser, static_cast<uint32_t>(names.size()), name) == kErrorSuccess;)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "B1", "c", "MixedCase"}));
  const RegHandle key = Open("mixedcase");
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  EXPECT_EQ(api_.EnumValue(key, 0, name, type, data), kErrorSuccess);
  EXPECT_EQ(std::tuple(name, data), std::tuple("Rate", std::vector<uint8_t>{2, 0, 0, 0}));
  EXPECT_EQ(api_.EnumValue(key, 1, name, type, data), kErrorNoMoreItems);
  EXPECT_EQ(api_.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(api_.CloseKey(key), kErrorInvalidHandle);
}

TEST_F(ApiTest, PathsAndRoots) {
  Store("K\\Sub", "v", kRegNone, {});
  const struct {
    RegHandle root;
    const char* path;
    int32_t result;
  } cases[] = {
      {kHkeyCurrentUser, "\\K", kErrorBadPathname},
      {kHkeyCurrentUser, "K\\Missing", kErrorFileNotFound},
      {0x80000007, "", kErrorInvalidHandle},
      {kHkeyCurrentUser, "k\\SUB\\", kErrorSuccess},
  };
  for (const auto& c : cases) {
    RegHandle key = 0;
    EXPECT_EQ(api_.OpenKey(c.root, c.path, kKeyRead, key), c.result) << c.path;
    if (c.result == kErrorSuccess) api_.CloseKey(key);
  }
  const RegHandle key = Open("K");
  RegHandle sub = 0;
  EXPECT_EQ(api_.OpenKey(key, "sub", kKeyRead, sub), kErrorSuccess);  // relative to a handle
  api_.CloseKey(sub);
  api_.CloseKey(key);
  EXPECT_EQ(api_.DeleteKey(kHkeyCurrentUser, ""), kErrorAccessDenied);
}

TEST_F(ApiTest, DeletingAKeyWithSubkeysIsRefusedAndDeletedKeysStayDeleted) {
  Store("K\\Sub", "v", kRegNone, {});
  EXPECT_EQ(api_.DeleteKey(kHkeyCurrentUser, "K"), kErrorAccessDenied);
  const RegHandle key = Open("K\\Sub");
  EXPECT_EQ(api_.DeleteKey(kHkeyCurrentUser, "K\\Sub"), kErrorSuccess);
  uint32_t size = 0;
  EXPECT_EQ(api_.QueryValue(key, "v", nullptr, nullptr, size), kErrorKeyDeleted);
  EXPECT_EQ(api_.SetValue(key, "v", kRegNone, nullptr, 0), kErrorKeyDeleted);
  EXPECT_EQ(api_.CloseKey(key), kErrorSuccess);
  EXPECT_EQ(api_.DeleteKey(kHkeyCurrentUser, "K\\Sub"), kErrorFileNotFound);
}

TEST_F(ApiTest, QueryValueReportsTheSizeItNeeds) {
  Store("K", "v", kRegBinary, {1, 2, 3, 4, 5, 6});
  const RegHandle key = Open("K");
  uint8_t buffer[8] = {};
  uint32_t size = 3;
  uint32_t type = 0;
  EXPECT_EQ(api_.QueryValue(key, "v", &type, buffer, size), kErrorMoreData);
  EXPECT_EQ(size, 6u);
  size = sizeof buffer;
  EXPECT_EQ(api_.QueryValue(key, "V", &type, buffer, size), kErrorSuccess);
  EXPECT_EQ(std::tuple(size, type, buffer[5]), std::tuple(6u, kRegBinary, 6));
  EXPECT_EQ(api_.QueryValue(key, "w", &type, buffer, size), kErrorFileNotFound);
  api_.CloseKey(key);
}

TEST_F(ApiTest, HandlesAllowOnlyWhatTheyWereOpenedForAndNamesHaveTheSystemsLengthLimit) {
  Store("K", "v", kRegDword, {1, 0, 0, 0});
  const RegHandle reader = Open("K", kKeyQueryValue);
  const RegHandle writer = Open("K", kKeySetValue);
  uint32_t size = 0;
  std::string name;
  EXPECT_EQ(api_.SetValue(reader, "v", kRegNone, nullptr, 0), kErrorAccessDenied);
  EXPECT_EQ(api_.DeleteValue(reader, "v"), kErrorAccessDenied);
  EXPECT_EQ(api_.EnumKey(reader, 0, name), kErrorAccessDenied);
  EXPECT_EQ(api_.QueryValue(writer, "v", nullptr, nullptr, size), kErrorAccessDenied);
  EXPECT_EQ(api_.SetValue(writer, std::string(16383, 'n'), kRegNone, nullptr, 0), kErrorSuccess);
  EXPECT_EQ(api_.SetValue(writer, std::string(16384, 'n'), kRegNone, nullptr, 0), kErrorInvalidParameter);
  api_.CloseKey(reader);
  api_.CloseKey(writer);
}

}  // namespace
}  // namespace e14
