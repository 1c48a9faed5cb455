// Registry-file text of keys and subtrees.
#include "tests/settings/RegistryFixture.h"

namespace e14 {
namespace {

using ExportTest = RegistryTest;

TEST_F(ExportTest, RendersTheKeyHeaderAndEachValueLine) {
  reg_.Key("Device");
  reg_.PutBinary("Channels", {0x00, 0x1F, 0xA0});
  reg_.PutString("Path", "C:\\Data");
  reg_.PutLong("Rate", 100);
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "Device", false),
            "\r\n[HKEY_CURRENT_USER\\Device]\r\n"
            "\"Channels\"=hex:00,1f,a0\r\n"
            "\"Path\"=\"C:\\\\Data\"\r\n"
            "\"Rate\"=dword:00000064\r\n");
}

TEST_F(ExportTest, RootItselfAndUnopenableKeys) {
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "", true), "\r\n[HKEY_CURRENT_USER]\r\n");
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "Missing", true), "");
}

TEST_F(ExportTest, EveryTypeEndsItsLine) {
  const struct {
    const char* name;
    uint32_t type;
    std::string data;
    const char* line;
  } cases[] = {
      {"", kRegSz, "default", "@=\"default\""},
      {"q", kRegSz, "  say \"hi\"  ", "\"q\"=\"say \"hi\"\""},
      {"s", kRegSz, "", "\"s\"=\"\""},
      {"n", kRegSz, std::string("cut\0here", 8), "\"n\"=\"cut\""},
      {"e", kRegExpandSz, std::string("%TEMP%\\x\0", 9), "\"e\"=\"%TEMP%\\\\x\""},
      {"m", kRegMultiSz, std::string("one\0two\0\0", 9), "\"m\"=\"one\""},
      {"b", kRegBinary, "", "\"b\"=hex:"},
      {"be", kRegDwordBigEndian, "\x01\x02\x03\x04", "\"be\"=dword:04030201"},
      {"short", kRegDword, "\x01\x02", "\"short\"=hex(4):01,02"},
      {"none", kRegNone, "\xff", "\"none\"=hex(0):ff"},
      {"qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8),
       "\"qword\"=hex(b):01,00,00,00,00,00,00,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string path = std::string("T\\") + (*c.name ? c.name : "default");
    Store(path, c.name, c.type, Bytes(c.data));
    EXPECT_EQ(reg_.ExportKey(kCurrentUser, path, false),
              "\r\n[HKEY_CURRENT_USER\\" + path + "]\r\n" + c.line + "\r\n");
  }
}

TEST_F(ExportTest, RecursionIsDepthFirstWithValuesBeforeSubkeys) {
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
  EXPECT_EQ(reg_.ExportKey(kCurrentUser, "A", false),
            "\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:00000001\r\n");
}

}  // namespace
}  // namespace e14
