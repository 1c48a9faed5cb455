// Current root and key, key operations, lookup by enumeration, listings,
// root names and error texts.
#include <functional>

#include "tests/settings/RegistryFixture.h"

namespace e14 {
namespace {

constexpr uint32_t kLocalMachine = static_cast<uint32_t>(kHkeyLocalMachine);

using KeyTest = RegistryTest;

TEST_F(KeyTest, SettingKeyCreatesItOrKeepsTheOldPath) {
  reg_.Key("Vendor\\Module");
  EXPECT_EQ(reg_.Key(), "Vendor\\Module");
  EXPECT_TRUE(reg_.KeyExists(kCurrentUser, "Vendor\\Module"));

  reg_.Key(std::string(300, 'x'));  // longer than any key name may be
  EXPECT_EQ(reg_.Key(), "Vendor\\Module");
  EXPECT_NE(reg_.LastError(), kErrorSuccess);
}

TEST_F(KeyTest, SettingAnotherRootStartsAtTheRootItself) {
  reg_.Key("Vendor");
  reg_.Root(kCurrentUser);
  EXPECT_EQ(reg_.Key(), "Vendor");
  reg_.Root(0x80000007);
  EXPECT_EQ(reg_.Root(), kCurrentUser);
  EXPECT_EQ(reg_.Key(), "Vendor");
  reg_.Root(kLocalMachine);
  EXPECT_EQ(reg_.Root(), kLocalMachine);
  EXPECT_EQ(reg_.Key(), "");
}

TEST_F(KeyTest, CreateKeyStoresANonEmptyDefault) {
  EXPECT_TRUE(reg_.CreateKey(kCurrentUser, "A\\B", "first"));
  EXPECT_TRUE(reg_.CreateKey(kCurrentUser, "A\\B", ""));
  std::string text;
  EXPECT_TRUE(reg_.ReadStringAt(kCurrentUser, "A\\B", "", text));
  EXPECT_EQ(text, "first");
  EXPECT_FALSE(reg_.ReadStringAt(kCurrentUser, "A", "", text));
}

TEST_F(KeyTest, DeleteKeyRemovesOneKeyWithoutSubkeys) {
  reg_.CreateKey(kCurrentUser, "P\\Q", "");
  EXPECT_FALSE(reg_.DeleteKey(kCurrentUser, "P"));
  EXPECT_EQ(reg_.LastError(), kErrorAccessDenied);
  EXPECT_TRUE(reg_.DeleteKey(kCurrentUser, "P\\Q"));
  EXPECT_TRUE(reg_.DeleteKey(kCurrentUser, "P"));
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "P"));
  EXPECT_FALSE(reg_.DeleteKey(kCurrentUser, "P"));
  EXPECT_EQ(reg_.LastError(), kErrorFileNotFound);
}

TEST_F(KeyTest, DeleteValue) {
  Store("K", "v", kRegDword, {1, 0, 0, 0});
  EXPECT_TRUE(reg_.DeleteValue(kCurrentUser, "K", "v"));
  EXPECT_EQ(Fetch("K", "v").Result, kErrorFileNotFound);
  EXPECT_FALSE(reg_.DeleteValue(kCurrentUser, "K", "v"));
  EXPECT_EQ(reg_.LastError(), kErrorFileNotFound);
}

TEST_F(KeyTest, FindValueGivesTypeAndData) {
  const struct {
    uint32_t type;
    std::string stored;
    RegistryValue found;
  } cases[] = {
      {kRegBinary, std::string("\x01\x02", 2), std::vector<uint8_t>{1, 2}},
      {kRegBinary, "", std::vector<uint8_t>{}},
      {kRegDword, "\x78\x56\x34\x12", int32_t{0x12345678}},
      {kRegDwordBigEndian, "\xFF\xFF\xFF\xFF", int32_t{-1}},
      {kRegSz, "abc", std::string("abc")},
      {kRegSz, std::string("abc\0", 4), std::string("abc")},
      {kRegSz, "", std::string()},
      {kRegExpandSz, std::string("%x%\0", 4), std::string("%x%")},
      {kRegMultiSz, std::string("a\0b\0\0", 5), std::string("a\0b\0", 4)},
      {11, "\x01\x00\x00\x00\x00\x00\x00\x00", std::monostate()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Store("F", "Value", c.type, Bytes(c.stored));
    RegistryValue found;
    EXPECT_EQ(reg_.FindValue(kCurrentUser, "F", "Value", found), c.type);
    EXPECT_EQ(found, c.found);
  }
  RegistryValue untouched = int32_t{5};
  EXPECT_EQ(reg_.FindValue(kCurrentUser, "F", "value", untouched), kRegNone);  // exact names
  EXPECT_EQ(reg_.FindValue(kCurrentUser, "Missing", "Value", untouched), kRegNone);
  EXPECT_EQ(untouched, RegistryValue(int32_t{5}));

  Store("", "AtRoot", kRegDword, {3, 0, 0, 0});
  EXPECT_EQ(reg_.FindValue(kCurrentUser, "", "AtRoot", untouched), kRegDword);
  EXPECT_EQ(untouched, RegistryValue(int32_t{3}));
}

TEST_F(KeyTest, EnumKeysAndValuesListBelowThePath) {
  for (const char* name : {"b", "A", "c"})
    reg_.CreateKey(kCurrentUser, std::string("E\\") + name, "");
  // Created in name order: the system lists values in creation order, Wine in name order.
  for (const char* name : {"", "One", "Two"}) Store("E", name, kRegSz, Bytes("x"));
  std::vector<std::string> names{"stale", "stale"};
  int32_t count = -1;

  reg_.EnumKeys(kCurrentUser, "E", names, count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"E", "A", "b", "c"}));
  reg_.EnumValues(kCurrentUser, "E", names, count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"E", "", "One", "Two"}));
  reg_.EnumKeys(kCurrentUser, "", names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"", "E"}));
  reg_.EnumValues(kCurrentUser, "E\\A", names, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(names, std::vector<std::string>{"E\\A"});
  reg_.EnumKeys(kCurrentUser, "Missing", names, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(names, std::vector<std::string>{"Missing"});
}

TEST(RootNameTest, NamesThePredefinedRoots) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x80000000, "HKEY_CLASSES_ROOT"},
      {0x80000001, "HKEY_CURRENT_USER"},
      {0x80000002, "HKEY_LOCAL_MACHINE"},
      {0x80000003, "HKEY_USERS"},
      {0x80000004, "HKEY_PERFORMANCE_DATA"},
      {0x80000005, "HKEY_CURRENT_CONFIG"},
      {0x80000006, "HKEY_DYN_DATA"},
      {0x80000007, ""},
      {0, ""},
  };
  for (const auto& [root, name] : cases) EXPECT_EQ(cRegistry::RootName(root), name) << root;
}

TEST_F(KeyTest, LastErrorTextIsTheMessageWithoutLineBreakAndPeriod) {
  for (const int32_t code : {kErrorSuccess, kErrorFileNotFound}) {
    SCOPED_TRACE(code);
    if (code == kErrorSuccess) {
      EXPECT_TRUE(reg_.KeyExists(kCurrentUser, ""));
    } else {
      EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "Missing"));
    }
    const std::string message = api_.MessageText(code);
    const std::string text = reg_.LastErrorText();
    ASSERT_GT(text.size(), 4u);
    EXPECT_EQ(message, text + ".\r\n");
  }
}

// A failure part way, followed by calls that succeed, still leaves its code.
TEST_F(KeyTest, EveryFailureLeavesItsErrorAndText) {
  using Call = FailingStore::Call;
  Store("T", "four", kRegDword, {9, 0, 0, 0});
  Store("T", "empty", kRegBinary, {});
  Store("T\\A", "", kRegNone, {});
  Store("T\\B", "", kRegNone, {});
  RegistryValue found;
  std::vector<std::string> names;
  int32_t count = 0;
  const struct {
    const char* name;
    Call failing;
    std::function<void(cRegistry&)> operation;
    int32_t error;
  } cases[] = {
      {"binary without data written", Call::None,
       [](cRegistry& r) { r.WriteBinaryAt(kCurrentUser, "T", "v", {}); }, kErrorInvalidParameter},
      {"binary without data read", Call::None,
       [](cRegistry& r) { r.GetBinary("empty"); }, kErrorDatatypeMismatch},
      {"double of four bytes", Call::None, [](cRegistry& r) { r.GetDouble("four"); },
       kErrorDatatypeMismatch},
      {"currency of four bytes", Call::None, [](cRegistry& r) { r.GetCurrency("four"); },
       kErrorDatatypeMismatch},
      {"value not found", Call::None,
       [&](cRegistry& r) { r.FindValue(kCurrentUser, "T", "missing", found); }, kErrorFileNotFound},
      {"value sought past a failed entry", Call::EnumValue,
       [&](cRegistry& r) { r.FindValue(kCurrentUser, "T", "missing", found); },
       FailingStore::kFailure},
      {"keys listed", Call::EnumKey,
       [&](cRegistry& r) { r.EnumKeys(kCurrentUser, "T", names, count); }, FailingStore::kFailure},
      {"values listed", Call::EnumValue,
       [&](cRegistry& r) { r.EnumValues(kCurrentUser, "T", names, count); },
       FailingStore::kFailure},
      {"values exported", Call::EnumValue,
       [](cRegistry& r) { r.ExportKey(kCurrentUser, "T", false); },
       FailingStore::kFailure},
      {"subkeys exported", Call::EnumKey,
       [](cRegistry& r) { r.ExportKey(kCurrentUser, "T", true); },
       FailingStore::kFailure},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FailingStore store;
    cRegistry reg(store);
    reg.Key("T");
    store.FailNext(c.failing);
    c.operation(reg);
    EXPECT_EQ(reg.LastError(), c.error);
    EXPECT_FALSE(reg.LastErrorText().empty());
  }
}

}  // namespace
}  // namespace e14
