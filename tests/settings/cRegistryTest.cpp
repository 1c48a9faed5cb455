// cRegistry over the platform's store: how each family stores its values,
// the current root and key, lookups and listings, failures, and the
// registry-file text of keys and subtrees.
#include <algorithm>
#include <functional>
#include <tuple>

#include "tests/settings/RegistryFixture.h"

namespace e14 {
namespace {

using cRegistryTest = RegistryTest;
using Call = FailingStore::Call;

std::vector<uint8_t> Le(uint64_t bits, size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(bits >> (8 * i));
  return data;
}

// The narrow families store one DWORD (an Integer its 16 bits), the
// eight-byte ones binary; each reads back what it wrote.
TEST_F(cRegistryTest, EachFamilyStoresItsOwnWayAndReadsBackWhatItWrote) {
  reg_.Key("V");
  const struct {
    std::function<bool(cRegistry&)> writeAndRead;
    uint32_t type;
    RegistryValue stored;
  } cases[] = {
      {[](cRegistry& r) { return r.WriteString("v", "text") && r.GetString("v") == "text"; }, kRegSz, "text"},
      {[](cRegistry& r) { return r.PutLong("v", -2), r.GetLong("v") == -2; }, kRegDword, -2},
      {[](cRegistry& r) { return r.PutByte("v", 0xAB), r.GetByte("v") == 0xAB; }, kRegDword, 0xAB},
      {[](cRegistry& r) { return r.PutInteger("v", -1234), r.GetInteger("v") == -1234; }, kRegDword, 0xFB2E},
      {[](cRegistry& r) { return r.PutBoolean("v", true), r.GetBoolean("v"); }, kRegDword, 1},
      {[](cRegistry& r) { return r.PutBoolean("v", false), !r.GetBoolean("v"); }, kRegDword, 0},
      {[](cRegistry& r) { return r.PutSingle("v", 100.0f), r.GetSingle("v") == 100.0f; }, kRegDword, 0x42C80000},
      {[](cRegistry& r) { return r.PutDouble("v", 1.0), r.GetDouble("v") == 1.0; }, kRegBinary,
       Le(0x3FF0000000000000, 8)},
      {[](cRegistry& r) { return r.PutCurrency("v", -2), r.GetCurrency("v") == -2; }, kRegBinary, Le(-2, 8)},
      {[](cRegistry& r) { return r.PutBinary("v", {1, 2, 3}), r.GetBinary("v") == Le(0x030201, 3); }, kRegBinary,
       Le(0x030201, 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_TRUE(c.writeAndRead(reg_));
    RegistryValue stored;
    EXPECT_EQ(reg_.FindValue(kCurrentUser, "V", "v", stored), c.type);
    EXPECT_EQ(stored, c.stored);
  }
}

TEST_F(cRegistryTest, ReadsTakeAnyNonzeroDwordAsTrueAndTextOfAnyTypeUpToItsFirstNull) {
  Store("V", "two", kRegDword, Le(2, 4));
  Store("V", "empty", kRegSz, {});
  Store("V", "binary", kRegBinary, Bytes(std::string("ab\0cd", 5)));
  reg_.Key("V");
  bool flag = false;
  std::string text = "old";
  EXPECT_TRUE(reg_.ReadBoolean("two", flag, false) && flag);
  EXPECT_TRUE(reg_.ReadString("empty", text, "default") && text.empty());
  EXPECT_TRUE(reg_.ReadString("binary", text, "") && text == "ab");
}

// Each fails, gives the default (or leaves the value alone where there is
// none) and leaves its code, though later calls succeed.
TEST_F(cRegistryTest, EveryFailureLeavesItsErrorAndText) {
  Store("T", "four", kRegDword, Le(9, 4));
  Store("T", "short", kRegDword, {1, 2});
  Store("T", "text", kRegSz, Bytes("abcd"));
  Store("T", "empty", kRegBinary, {});
  Store("T\\A", "", kRegNone, {});
  RegistryValue found;
  std::vector<std::string> names;
  int32_t count = 0;
  std::string text;
  std::vector<uint8_t> bytes{9};
  const struct {
    const char* name;
    std::function<bool(cRegistry&)> succeeded;
    int32_t error;
    Call failing = Call::None;
  } cases[] = {
      {"text as a number", [](cRegistry& r) { float v = 0; return r.ReadSingle("text", v, 2) || v != 2; },
       kErrorUnsupportedType},
      {"short dword", [](cRegistry& r) { int16_t v = 0; return r.ReadInteger("short", v, 7) || v != 7; },
       kErrorDatatypeMismatch},
      {"double of 4 bytes", [](cRegistry& r) { double v = 0; return r.ReadDouble("four", v, 1) || v != 1; },
       kErrorDatatypeMismatch},
      {"currency of 4 bytes", [](cRegistry& r) { int64_t v = 0; return r.ReadCurrency("four", v, 3) || v != 3; },
       kErrorDatatypeMismatch},
      {"empty binary read", [&](cRegistry& r) { return r.ReadBinary("empty", bytes); }, kErrorDatatypeMismatch},
      {"empty binary written", [](cRegistry& r) { return r.WriteBinary("new", {}); }, kErrorInvalidParameter},
      {"missing text", [](cRegistry& r) {
         std::string v = "old";
         return r.ReadString("no", v, "") || r.ReadStringAt(kCurrentUser, "M", "no", v) || v != "old";
       }, kErrorFileNotFound},
      {"missing text, a default", [](cRegistry& r) { std::string v; return r.ReadString("no", v, "d") || v != "d"; },
       kErrorFileNotFound},
      {"missing values got", [](cRegistry& r) {
         return r.GetByte("no") || r.GetBoolean("no") || r.GetDouble("no") || r.GetBinary("no") != Le(0, 1);
       }, kErrorFileNotFound},
      {"values into a missing key", [](cRegistry& r) {
         return r.WriteLongAt(kCurrentUser, "T\\M", "v", 1) || r.WriteStringAt(kCurrentUser, "T\\M", "v", "x");
       }, kErrorFileNotFound},
      {"value not found", [&](cRegistry& r) {
         return r.FindValue(kCurrentUser, "T", "no", found) != 0 || r.FindValue(kCurrentUser, "M", "v", found) != 0;
       }, kErrorFileNotFound},
      {"missing value deleted", [](cRegistry& r) { return r.DeleteValue(kCurrentUser, "T", "no"); },
       kErrorFileNotFound},
      {"missing key deleted", [](cRegistry& r) { return r.DeleteKey(kCurrentUser, "M"); }, kErrorFileNotFound},
      {"key with subkeys deleted", [](cRegistry& r) { return r.DeleteKey(kCurrentUser, "T"); }, kErrorAccessDenied},
      {"text unreadable", [&](cRegistry& r) { return r.ReadStringAt(kCurrentUser, "T", "text", text) || text != ""; },
       FailingStore::kFailure, Call::DataQuery},
      {"binary unreadable", [&](cRegistry& r) { return r.ReadBinaryAt(kCurrentUser, "T", "four", bytes); },
       FailingStore::kFailure, Call::DataQuery},
      {"value past a failed entry", [&](cRegistry& r) { return r.FindValue(kCurrentUser, "T", "no", found) != 0; },
       FailingStore::kFailure, Call::EnumValue},
      {"keys listed", [&](cRegistry& r) { return (r.EnumKeys(kCurrentUser, "T", names, count), count > 0); },
       FailingStore::kFailure, Call::EnumKey},
      {"values listed", [&](cRegistry& r) { return (r.EnumValues(kCurrentUser, "T", names, count), count > 0); },
       FailingStore::kFailure, Call::EnumValue},
      {"values exported",
       [](cRegistry& r) { return std::ranges::count(r.ExportKey(kCurrentUser, "T", false), '=') > 3; },
       FailingStore::kFailure, Call::EnumValue},
      {"subkeys exported", [](cRegistry& r) { return r.ExportKey(kCurrentUser, "T", true).ends_with("A]\r\n"); },
       FailingStore::kFailure, Call::EnumKey},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FailingStore store;
    cRegistry reg(store);
    reg.Key("T");
    store.FailNext(c.failing);
    EXPECT_FALSE(c.succeeded(reg));
    EXPECT_EQ(reg.LastError(), c.error);
    EXPECT_FALSE(reg.LastErrorText().empty());
  }
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "T\\M"));
  EXPECT_EQ(bytes, Le(9, 1));
}

TEST(RootNameTest, NamesThePredefinedRoots) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x80000000, "HKEY_CLASSES_ROOT"},     {0x80000001, "HKEY_CURRENT_USER"}, {0x80000002, "HKEY_LOCAL_MACHINE"},
      {0x80000003, "HKEY_USERS"},            {0x80000004, "HKEY_PERFORMANCE_DATA"},
      {0x80000005, "HKEY_CURRENT_CONFIG"},   {0x80000006, "HKEY_DYN_DATA"},     {0x80000007, ""},
  };
  for (const auto& [root, name] : cases) EXPECT_EQ(cRegistry::RootName(root), name) << root;
}

// Setting the key creates it; another root starts at the root itself.
TEST_F(cRegistryTest, SettingTheKeyOrTheRootKeepsTheOldWhenRefused) {
  reg_.Key("Vendor\\Module");
  EXPECT_EQ(reg_.Key(), "Vendor\\Module");
  EXPECT_TRUE(reg_.KeyExists(kCurrentUser, "Vendor\\Module"));
  reg_.Key(std::string(300, 'x'));  // longer than any key name may be
  EXPECT_EQ(reg_.Key(), "Vendor\\Module");
  EXPECT_NE(reg_.LastError(), kErrorSuccess);
  reg_.Root(kCurrentUser);
  reg_.Root(0x80000007);
  EXPECT_EQ(std::tuple(reg_.Root(), reg_.Key()), std::tuple(kCurrentUser, "Vendor\\Module"));
  reg_.Root(static_cast<uint32_t>(kHkeyLocalMachine));
  EXPECT_EQ(std::tuple(reg_.Root(), reg_.Key()), std::tuple(static_cast<uint32_t>(kHkeyLocalMachine), ""));
}

TEST_F(cRegistryTest, KeysAreCreatedWithANonEmptyDefaultAndDeletedOneByOne) {
  EXPECT_TRUE(reg_.CreateKey(kCurrentUser, "A\\B", "first"));
  EXPECT_TRUE(reg_.CreateKey(kCurrentUser, "A\\B", ""));
  std::string text;
  EXPECT_TRUE(reg_.ReadStringAt(kCurrentUser, "A\\B", "", text) && text == "first");
  EXPECT_FALSE(reg_.ReadStringAt(kCurrentUser, "A", "", text));
  EXPECT_TRUE(reg_.DeleteValue(kCurrentUser, "A\\B", ""));
  EXPECT_FALSE(reg_.ReadStringAt(kCurrentUser, "A\\B", "", text));
  EXPECT_TRUE(reg_.DeleteKey(kCurrentUser, "A\\B"));
  EXPECT_TRUE(reg_.DeleteKey(kCurrentUser, "A"));
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "A"));
}

// What FindValue hands back, and the registry-file line, of each type.
TEST_F(cRegistryTest, EachTypeIsFoundAndExportedByItsOwnRule) {
  using S = std::string;
  using B = std::vector<uint8_t>;
  const struct {
    const char* name;
    uint32_t type;
    std::string stored;
    RegistryValue found;
    const char* line;
  } cases[] = {
      {"", kRegSz, "default", S("default"), "@=\"default\""},
      {"q", kRegSz, "  say \"hi\"  ", S("  say \"hi\"  "), "\"q\"=\"say \"hi\"\""},
      {"n", kRegSz, S("cut\0here\0", 9), S("cut\0here", 8), "\"n\"=\"cut\""},
      {"s", kRegSz, "", S(), "\"s\"=\"\""},
      {"e", kRegExpandSz, S("%TEMP%\\x\0", 9), S("%TEMP%\\x"), "\"e\"=\"%TEMP%\\\\x\""},
      {"m", kRegMultiSz, S("one\0two\0\0", 9), S("one\0two\0", 8), "\"m\"=\"one\""},
      {"b", kRegBinary, S("\x00\x1f\xa0", 3), B{0x00, 0x1f, 0xa0}, "\"b\"=hex:00,1f,a0"},
      {"b0", kRegBinary, "", B{}, "\"b0\"=hex:"},
      {"d", kRegDword, "\x78\x56\x34\x12", int32_t{0x12345678}, "\"d\"=dword:12345678"},
      {"be", kRegDwordBigEndian, "\x01\x02\x03\x84", int32_t{-2080177663}, "\"be\"=dword:84030201"},
      {"short", kRegDword, "\x01\x02", int32_t{0x0201}, "\"short\"=hex(4):01,02"},
      {"none", kRegNone, "\xff", std::monostate(), "\"none\"=hex(0):ff"},
      {"qword", 11, S("\x01\0\0\0\0\0\0\0", 8), std::monostate(), "\"qword\"=hex(b):01,00,00,00,00,00,00,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string path = std::string("T\\") + (*c.name ? c.name : "default");
    Store(path, c.name, c.type, Bytes(c.stored));
    RegistryValue found;
    EXPECT_EQ(reg_.FindValue(kCurrentUser, path, c.name, found), c.type);
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(reg_.ExportKey(kCurrentUser, path, false), "\r\n[HKEY_CURRENT_USER\\" + path + "]\r\n" + c.line + "\r\n");
  }
  RegistryValue untouched = int32_t{5};
  EXPECT_EQ(reg_.FindValue(kCurrentUser, "T\\d", "D", untouched), kRegNone);  // exact names
  EXPECT_EQ(untouched, RegistryValue(int32_t{5}));
  Store("", "AtRoot", kRegDword, {3, 0, 0, 0});
  EXPECT_EQ(reg_.FindValue(kCurrentUser, "", "AtRoot", untouched), kRegDword);
  EXPECT_EQ(untouched, RegistryValue(int32_t{3}));
}

TEST_F(cRegistryTest, EnumKeysAndValuesListBelowThePath) {
  for (const char* name : {"b", "A", "c"}) reg_.CreateKey(kCurrentUser, std::string("E\\") + name, "");
  // Created in name order: the system lists values in creation order, Wine in name order.
  for (const char* name : {"", "One", "Two"}) Store("E", name, kRegSz, Bytes("x"));
  std::vector<std::string> names{"stale", "stale"};
  int32_t count = -1;
  using Names = std::vector<std::string>;
  reg_.EnumKeys(kCurrentUser, "E", names, count);
  EXPECT_EQ(std::tuple(count, names), std::tuple(3, Names{"E", "A", "b", "c"}));
  reg_.EnumValues(kCurrentUser, "E", names, count);
  EXPECT_EQ(std::tuple(count, names), std::tuple(3, Names{"E", "", "One", "Two"}));
  reg_.EnumKeys(kCurrentUser, "", names, count);
  EXPECT_EQ(std::tuple(count, names), std::tuple(1, Names{"", "E"}));
  reg_.EnumValues(kCurrentUser, "Missing", names, count);
  EXPECT_EQ(std::tuple(count, names), std::tuple(0, Names{"Missing"}));
}

TEST_F(cRegistryTest, ExportRecursesDepthFirstWithValuesBeforeSubkeys) {
  Store("A", "a", kRegDword, {1, 0, 0, 0});
  Store("A\\X\\Deep", "d", kRegDword, {2, 0, 0, 0});
  Store("A\\Y", "y", kRegDword, {3, 0, 0, 0});
  Store("B", "b", kRegDword, {4, 0, 0, 0});
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "", true),
            "\r\n[HKEY_CURRENT_USER]\r\n"
            "\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:00000001\r\n"
            "\r\n[HKEY_CURRENT_USER\\A\\X]\r\n"
            "\r\n[HKEY_CURRENT_USER\\A\\X\\Deep]\r\n\"d\"=dword:00000002\r\n"
            "\r\n[HKEY_CURRENT_USER\\A\\Y]\r\n\"y\"=dword:00000003\r\n"
            "\r\n[HKEY_CURRENT_USER\\B]\r\n\"b\"=dword:00000004\r\n");
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "A", false), "\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:00000001\r\n");
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "Missing", true), "");
}

}  // namespace
}  // namespace e14
