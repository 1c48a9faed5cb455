// What only the file store has to get right: its file. Every value must
// survive, concurrent and interrupted writers must not lose data, and a
// damaged file is kept aside instead of being overwritten.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/posix/FileRegistry.h"
#include "tests/settings/RegistryFixture.h"

namespace e14 {
namespace {

namespace fs = std::filesystem;

class FileStoreTest : public RegistryTest {
 protected:
  fs::path Folder() { return fs::path(std::getenv("XDG_CONFIG_HOME")) / "e14-140"; }
  fs::path File() { return Folder() / "registry"; }

  static std::string Contents(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
  }
  // Every value name listed under K by a store that reads the file afresh.
  std::vector<std::string> ValuesInTheFile() {
    FileRegistry fresh;
    cRegistry reader(fresh);
    std::vector<std::string> names;
    int32_t count = 0;
    reader.EnumValues(kCurrentUser, "K", names, count);
    EXPECT_EQ(reader.LastError(), kErrorSuccess);
    return {names.begin() + 1, names.end()};
  }
};

// Where Wine differs from the system (strings read with a terminator,
// values listed in name order, names folded to lower case to sort them),
// this store reads like the system.
TEST_F(FileStoreTest, ReadsLikeTheSystem) {
  for (const char* name : {"b", "C", "a"}) Store("K", name, kRegNone, {});
  for (const char* name : {"a_b", "aXb", "A"}) Store(name, "v", kRegNone, {});
  reg_.Key("K");
  reg_.PutString("s", "text");
  std::vector<uint8_t> raw;
  EXPECT_TRUE(reg_.ReadBinaryAt(kCurrentUser, "K", "s", raw) && raw == Bytes("text"));
  EXPECT_EQ(ValuesInTheFile(), (std::vector<std::string>{"b", "C", "a", "s"}));
  std::vector<std::string> names;
  int32_t count = 0;
  reg_.EnumKeys(kCurrentUser, "", names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"", "A", "aXb", "a_b", "K"}));
  EXPECT_EQ(reg_.LastErrorText(), "The operation completed successfully");
  EXPECT_EQ(api_.MessageText(12345), "");
  RegHandle key = 0;
  EXPECT_EQ(api_.OpenKey(kHkeyDynData, "", kKeyRead, key), kErrorInvalidHandle);
}

TEST_F(FileStoreTest, AnyNameAndDataSurviveTheFile) {
  std::string keyName, valueName;
  std::vector<uint8_t> data;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != '\\') keyName += static_cast<char>(byte);
    valueName += static_cast<char>(byte);
  }
  for (int byte = 0; byte < 256; ++byte) data.push_back(static_cast<uint8_t>(byte));
  const std::vector<std::pair<std::string, uint32_t>> values = {
      {valueName, 0xFFFFFFFF}, {"", kRegSz}, {"-", kRegBinary}, {"%2d", kRegDword}, {"end", kRegMultiSz},
      {"key 80000001 -", 11}};
  // Two keys, as one name may hold only 255 bytes; "-" stands for the root in the file.
  const std::string first = keyName.substr(0, 127) + "\\-";
  const std::string second = keyName.substr(127);
  for (const auto& [name, type] : values) Store(first, name, type, data);
  Store(second, "", kRegBinary, {});

  FileRegistry fresh;  // reads the file, nothing cached
  RegHandle key = 0;
  ASSERT_EQ(fresh.OpenKey(kHkeyCurrentUser, second, kKeyRead, key), kErrorSuccess);
  fresh.CloseKey(key);
  ASSERT_EQ(fresh.OpenKey(kHkeyCurrentUser, first, kKeyRead, key), kErrorSuccess);
  for (uint32_t index = 0; index < values.size(); ++index) {
    std::string name;
    uint32_t type = 0;
    std::vector<uint8_t> read;
    ASSERT_EQ(fresh.EnumValue(key, index, name, type, read), kErrorSuccess);
    EXPECT_EQ(std::pair(name, type), values[index]);
    EXPECT_EQ(read, data);
  }
  EXPECT_TRUE(Contents(File()).ends_with("\nend\n"));
}

TEST_F(FileStoreTest, LeftoverTemporaryFileIsIgnored) {
  reg_.Key("K");
  reg_.PutLong("kept", 1);
  std::ofstream(Folder() / "registry.tmp") << "half a file from a crash";
  FileRegistry fresh;
  cRegistry reader(fresh);
  reader.Key("K");
  EXPECT_EQ(reader.GetLong("kept"), 1);
  EXPECT_TRUE(reader.WriteLong("next", 2));
  EXPECT_EQ(reg_.GetLong("next"), 2);
  EXPECT_FALSE(fs::exists(Folder() / "registry.tmp"));
}

// Writers in other processes, one killed while it writes, lose nothing of
// each other's values, and the file stays whole.
TEST_F(FileStoreTest, ConcurrentAndKilledWritersLoseNothing) {
  constexpr int kWrites = 60;
  reg_.Key("K");
  // A child process; one that is never done writes until it is killed.
  const auto writer = [](const std::string& prefix, int count) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    cRegistry reg;
    reg.Key("K");
    for (int i = 0; i != count; ++i) reg.PutLong(prefix + std::to_string(i), i);
    _exit(0);
  };
  const pid_t killed = writer("v", -1);
  const pid_t writers[] = {writer("a", kWrites), writer("b", kWrites)};
  for (const pid_t pid : writers) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  kill(killed, SIGKILL);
  waitpid(killed, nullptr, 0);
  std::vector<std::string> names = ValuesInTheFile();
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < kWrites; ++i) EXPECT_EQ(reg_.GetLong(prefix + std::to_string(i)), i) << prefix << i;
  }
  std::erase_if(names, [](const std::string& name) { return name[0] != 'v'; });
  EXPECT_FALSE(names.empty());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], "v" + std::to_string(i));
}

// An empty file is no store either, also for a process that saw no file before.
TEST_F(FileStoreTest, DamagedFileFailsOnceAndIsKeptAside) {
  const std::string header = "e14-140 registry 1\n";
  std::string tooDeep = header;
  for (std::string path = "d"; path.size() < 513 * 2; path += "\\d") tooDeep += "key 80000001 " + path + "\n";
  const std::string cases[] = {
      "",
      "not a store\n",
      header,
      header + "key 80000001 K\nvalue 4 Rate 64000000\n",
      header + "key 80000001 K\nvalue 4 Rate 640000\nend",
      header + "key 80000001 K\nvalue 4 Rate 6400000g\nend\n",
      header + "value 4 Rate 64000000\nend\n",
      header + "key 80000001 K\\L\nend\n",
      header + "key 80000001 K\nkey 80000001 k\nend\n",
      header + "key 80000001 K\nvalue 4 a -\nvalue 1 A -\nend\n",
      header + "key 80000006 K\nend\n",
      header + "key 80000001 %00\nend\n",
      header + "key 80000001 a%5cb\nend\n",
      header + "key 80000001 K\nvalue 99999999999 a -\nend\n",
      header + "key 80000001 K\nend\nkey 80000001 L\nend\n",
      tooDeep + "end\n",
  };
  EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "K"));
  EXPECT_EQ(reg_.LastError(), kErrorFileNotFound);
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes);
    fs::create_directories(Folder());
    std::ofstream(File(), std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "K"));
    EXPECT_EQ(reg_.LastError(), kErrorBadRegistryFile);
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(Folder()))
      if (entry.path().filename().string().starts_with("registry.damaged-")) aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(Contents(aside[0]), bytes);
    fs::remove(aside[0]);
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_FALSE(reg_.KeyExists(kCurrentUser, "K"));
    EXPECT_EQ(reg_.LastError(), kErrorFileNotFound);
    EXPECT_TRUE(reg_.CreateKey(kCurrentUser, "K", ""));
    EXPECT_TRUE(Contents(File()).starts_with(header));
  }
}

TEST_F(FileStoreTest, StoreFollowsXdgConfigHomeElseHome) {
  const fs::path place = std::getenv("XDG_CONFIG_HOME");  // the test run's, removed afterwards
  const std::string savedHome = std::getenv("HOME");
  setenv("HOME", (place / "home").c_str(), 1);
  const std::pair<std::string, fs::path> cases[] = {
      {(place / "xdg").string(), place / "xdg" / "e14-140" / "registry"},
      {"", place / "home" / ".config" / "e14-140" / "registry"},
      {"relative", place / "home" / ".config" / "e14-140" / "registry"},
  };
  for (const auto& [xdg, file] : cases) {
    SCOPED_TRACE(xdg);
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    reg_.Key("Located" + xdg);
    EXPECT_TRUE(fs::exists(file));
    fs::remove(file);
  }
  setenv("HOME", savedHome.c_str(), 1);
  setenv("XDG_CONFIG_HOME", place.c_str(), 1);
}

}  // namespace
}  // namespace e14
