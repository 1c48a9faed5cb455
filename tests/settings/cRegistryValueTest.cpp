// The Get/Put/Read/Write families: how each stores its value and how reads
// of missing or unexpected data behave.
#include <array>
#include <bit>
#include <functional>

#include "tests/settings/RegistryFixture.h"

namespace e14 {
namespace {

class ValueTest : public RegistryTest {
 protected:
  void SetUp() override {
    reg_.Key("Values");
    ASSERT_EQ(reg_.Key(), "Values");
  }
  Stored Value(const std::string& name) { return Fetch("Values", name); }
};

std::vector<uint8_t> Dword(uint32_t word) {
  const auto bytes = std::bit_cast<std::array<uint8_t, 4>>(word);
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> Eight(uint64_t bits) {
  const auto bytes = std::bit_cast<std::array<uint8_t, 8>>(bits);
  return {bytes.begin(), bytes.end()};
}

// Each family reads back what it wrote; the narrow ones store one DWORD, the
// eight-byte ones binary.
TEST_F(ValueTest, EachFamilyStoresItsOwnWayAndReadsBackWhatItWrote) {
  const struct {
    const char* name;
    std::function<bool(cRegistry&)> write;
    uint32_t type;
    std::vector<uint8_t> stored;  // empty: not compared
    std::function<bool(cRegistry&)> readBack;
  } cases[] = {
      {"String", [](cRegistry& r) { return r.WriteString("v", "text"); }, kRegSz, {},
       [](cRegistry& r) { return r.GetString("v") == "text"; }},
      {"Long", [](cRegistry& r) { return r.WriteLong("v", -2); }, kRegDword, Dword(0xFFFFFFFE),
       [](cRegistry& r) { return r.GetLong("v") == -2; }},
      {"Byte", [](cRegistry& r) { return r.WriteByte("v", 0xAB); }, kRegDword, Dword(0xAB),
       [](cRegistry& r) { return r.GetByte("v") == 0xAB; }},
      {"Integer", [](cRegistry& r) { return r.WriteInteger("v", -1234); }, kRegDword, Dword(0xFB2E),
       [](cRegistry& r) { return r.GetInteger("v") == -1234; }},
      {"Boolean true", [](cRegistry& r) { return r.WriteBoolean("v", true); }, kRegDword, Dword(1),
       [](cRegistry& r) { return r.GetBoolean("v"); }},
      {"Boolean false", [](cRegistry& r) { return r.WriteBoolean("v", false); }, kRegDword, Dword(0),
       [](cRegistry& r) { return !r.GetBoolean("v"); }},
      {"Single", [](cRegistry& r) { return r.WriteSingle("v", 100.0f); }, kRegDword, Dword(0x42C80000),
       [](cRegistry& r) { return r.GetSingle("v") == 100.0f; }},
      {"Double (Put)", [](cRegistry& r) { r.PutDouble("v", 1.0); return true; }, kRegBinary, Eight(0x3FF0000000000000),
       [](cRegistry& r) { return r.GetDouble("v") == 1.0; }},
      {"Currency (Put)", [](cRegistry& r) { r.PutCurrency("v", -2); return true; }, kRegBinary,
       Eight(0xFFFFFFFFFFFFFFFE),
       [](cRegistry& r) { return r.GetCurrency("v") == -2; }},
      {"Binary", [](cRegistry& r) { return r.WriteBinary("v", {1, 2, 3}); }, kRegBinary, {1, 2, 3},
       [](cRegistry& r) { return r.GetBinary("v") == std::vector<uint8_t>{1, 2, 3}; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.write(reg_));
    const Stored stored = Value("v");
    EXPECT_EQ(stored.Type, c.type);
    if (!c.stored.empty()) {
      EXPECT_EQ(stored.Data, c.stored);
    }
    EXPECT_TRUE(c.readBack(reg_));
    reg_.DeleteValue(kCurrentUser, "Values", "v");
  }
  reg_.PutLong("L", 7);
  EXPECT_EQ(reg_.GetLong("L"), 7);
}

TEST_F(ValueTest, IntegerMinusOneReadsAsSixteenBits) {
  reg_.PutInteger("v", -1);
  int16_t integer = 0;
  int32_t word = 0;
  EXPECT_TRUE(reg_.ReadInteger("v", integer, 5));
  EXPECT_TRUE(reg_.ReadLong("v", word, 5));
  EXPECT_EQ(integer, -1);
  EXPECT_EQ(word, 65535);
}

TEST_F(ValueTest, AnyNonzeroDwordIsTrue) {
  Store("Values", "v", kRegDword, Dword(2));
  bool value = false;
  EXPECT_TRUE(reg_.ReadBoolean("v", value, false));
  EXPECT_TRUE(value);
}

TEST_F(ValueTest, ReadsOfTheWrongSizeFailWithTheDefault) {
  Store("Values", "eight", kRegBinary, std::vector<uint8_t>(8, 1));
  Store("Values", "four", kRegDword, Dword(9));
  int32_t word = 0;
  float single = 0;
  double real = 0;
  int64_t money = 0;
  EXPECT_FALSE(reg_.ReadLong("eight", word, 77));
  EXPECT_EQ(word, 77);
  EXPECT_FALSE(reg_.ReadSingle("eight", single, 2.5f));
  EXPECT_EQ(single, 2.5f);
  EXPECT_FALSE(reg_.ReadDouble("four", real, 0.5));
  EXPECT_EQ(real, 0.5);
  EXPECT_FALSE(reg_.ReadCurrency("four", money, 3));
  EXPECT_EQ(money, 3);
}

TEST_F(ValueTest, NumberReadsTakeOnlyFourByteDwords) {
  const struct {
    const char* name;
    uint32_t type;
    std::vector<uint8_t> data;
    int32_t error;
  } cases[] = {
      {"text of four bytes", kRegSz, Bytes("abcd"), kErrorUnsupportedType},
      {"short text", kRegSz, Bytes("ab"), kErrorUnsupportedType},
      {"binary of four bytes", kRegBinary, {1, 2, 3, 4}, kErrorUnsupportedType},
      {"short dword", kRegDword, {1, 2}, kErrorDatatypeMismatch},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Store("Values", "v", c.type, c.data);
    int32_t word = 0;
    EXPECT_FALSE(reg_.ReadLong("v", word, 77));
    EXPECT_EQ(word, 77);
    EXPECT_EQ(reg_.LastError(), c.error);
  }
}

TEST_F(ValueTest, AFailedDataQueryFailsTheRead) {
  Store("Values", "v", kRegSz, Bytes("text"));
  FailingStore store;
  cRegistry reg(store);
  std::string text = "old";
  std::vector<uint8_t> bytes{9};
  store.FailNext(FailingStore::Call::DataQuery);
  EXPECT_FALSE(reg.ReadStringAt(kCurrentUser, "Values", "v", text));
  store.FailNext(FailingStore::Call::DataQuery);
  EXPECT_FALSE(reg.ReadBinaryAt(kCurrentUser, "Values", "v", bytes));
  EXPECT_EQ(reg.LastError(), FailingStore::kFailure);
  EXPECT_EQ(text, "old");
  EXPECT_EQ(bytes, std::vector<uint8_t>{9});
}

TEST_F(ValueTest, ReadStringDefaultRule) {
  Store("Values", "empty", kRegSz, {});
  Store("Values", "binary", kRegBinary, Bytes(std::string("ab\0cd", 5)));
  std::string value = "old";
  EXPECT_TRUE(reg_.ReadString("empty", value, "default"));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(reg_.ReadString("binary", value, ""));  // the type is not checked
  EXPECT_EQ(value, "ab");
  value = "old";
  EXPECT_FALSE(reg_.ReadString("missing", value, ""));
  EXPECT_EQ(value, "old");
  EXPECT_FALSE(reg_.ReadString("missing", value, "default"));
  EXPECT_EQ(value, "default");
}

TEST_F(ValueTest, GetOfAMissingValueIsZero) {
  EXPECT_EQ(reg_.GetString("missing"), "");
  EXPECT_EQ(reg_.GetLong("missing"), 0);
  EXPECT_EQ(reg_.GetByte("missing"), 0);
  EXPECT_EQ(reg_.GetInteger("missing"), 0);
  EXPECT_FALSE(reg_.GetBoolean("missing"));
  EXPECT_EQ(reg_.GetSingle("missing"), 0.0f);
  EXPECT_EQ(reg_.GetDouble("missing"), 0.0);
  EXPECT_EQ(reg_.GetCurrency("missing"), 0);
  EXPECT_EQ(reg_.GetBinary("missing"), std::vector<uint8_t>{0});
  EXPECT_EQ(reg_.LastError(), kErrorFileNotFound);
}

TEST_F(ValueTest, BinaryWithoutDataIsNeitherReadNorWritten) {
  Store("Values", "empty", kRegBinary, {});
  std::vector<uint8_t> value{9, 9};
  EXPECT_FALSE(reg_.ReadBinary("empty", value));
  EXPECT_FALSE(reg_.ReadBinary("missing", value));
  EXPECT_EQ(value, (std::vector<uint8_t>{9, 9}));
  EXPECT_FALSE(reg_.WriteBinary("new", {}));
  EXPECT_EQ(Value("new").Result, kErrorFileNotFound);
}

TEST_F(ValueTest, ValuesGoOnlyIntoExistingKeys) {
  EXPECT_FALSE(reg_.WriteLongAt(kCurrentUser, "Values\\Missing", "v", 1));
  EXPECT_EQ(reg_.LastError(), kErrorFileNotFound);
  EXPECT_FALSE(reg_.WriteStringAt(kCurrentUser, "Values\\Missing", "v", "x"));
  std::string text;
  EXPECT_FALSE(reg_.ReadStringAt(kCurrentUser, "Values\\Missing", "v", text));
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "Values\\Missing"));
}

}  // namespace
}  // namespace e14
