// Arbitrary bytes as the settings store's file, then the registry class over
// it: reads of every value family, lookups, enumeration, a recursive export
// and one write. Whatever the file holds, nothing may fail the process; a
// file that is not a store is set aside byte for byte and never overwritten;
// a store that parses is read as it is, and the write keeps all of it.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/Check.h"
#include "fuzz/PrivateConfigHome.h"
#include "settings/cRegistry.h"
#include "settings/posix/StoreFile.h"
#include "settings/posix/StoreFormat.h"

namespace {

using namespace e14;

// Every store root, HKEY_DYN_DATA (not kept by the store) and a handle that
// names no root.
constexpr uint32_t kRoots[] = {0x80000000, 0x80000001, 0x80000002, 0x80000003,
                               0x80000004, 0x80000005, 0x80000006, 0x80000007};
constexpr uint32_t kCurrentUser = static_cast<uint32_t>(kHkeyCurrentUser);
constexpr char kWrittenKey[] = "Software\\E14 fuzz";
// Bounds on the work per input, so a wide store cannot make one input slow.
constexpr int kKeyBudget = 48;
constexpr int32_t kValuesPerKey = 12;

std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The value the store should hold, from the tree the file parsed to.
const RegValue* Expected(RegistryTree& tree, uint32_t root, const std::string& path,
                         const std::string& name) {
  std::vector<std::string> names;
  if (SplitKeyPath(path, names) != kErrorSuccess) return nullptr;
  const RegKey* key = tree.Find(root, names);
  return key == nullptr ? nullptr : key->FindValue(name);
}

class Walker {
 public:
  Walker(cRegistry& reg, RegistryTree& expected) : reg_(reg), expected_(expected) {}

  void Key(uint32_t root, const std::string& path) {
    if (budget_-- <= 0) return;
    std::vector<std::string> names;
    int32_t count = -1;
    reg_.EnumValues(root, path, names, count);
    E14_FUZZ_CHECK(count >= 0 && names.size() == static_cast<size_t>(count) + 1);
    E14_FUZZ_CHECK(names[0] == path);
    for (int32_t i = 1; i <= count && i <= kValuesPerKey; ++i) Value(root, path, names[i]);
    reg_.EnumKeys(root, path, names, count);
    E14_FUZZ_CHECK(count >= 0 && names.size() == static_cast<size_t>(count) + 1);
    for (int32_t i = 1; i <= count; ++i) Key(root, path.empty() ? names[i] : path + "\\" + names[i]);
  }

  // The current-key families, on a key that exists (so setting it writes nothing).
  void CurrentKey(uint32_t root, const std::string& path, const std::string& name) {
    reg_.Root(root);
    reg_.Key(path);
    reg_.GetString(name);
    reg_.GetLong(name);
    reg_.GetByte(name);
    reg_.GetInteger(name);
    reg_.GetBoolean(name);
    reg_.GetSingle(name);
    reg_.GetDouble(name);
    reg_.GetCurrency(name);
    E14_FUZZ_CHECK(!reg_.GetBinary(name).empty());
    reg_.LastErrorText();
  }

 private:
  void Value(uint32_t root, const std::string& path, const std::string& name) {
    const RegValue* expected = Expected(expected_, root, path, name);
    E14_FUZZ_CHECK(expected != nullptr);
    std::string text;
    int32_t number = 0;
    uint8_t byte = 0;
    int16_t integer = 0;
    bool flag = false;
    float single = 0;
    double real = 0;
    int64_t currency = 0;
    reg_.ReadStringAt(root, path, name, text);
    E14_FUZZ_CHECK(reg_.ReadLongAt(root, path, name, number) ==
                   (expected->Type == kRegDword && expected->Data.size() == 4));
    reg_.ReadByteAt(root, path, name, byte);
    reg_.ReadIntegerAt(root, path, name, integer);
    reg_.ReadBooleanAt(root, path, name, flag);
    reg_.ReadSingleAt(root, path, name, single);
    E14_FUZZ_CHECK(reg_.ReadDoubleAt(root, path, name, real) == (expected->Data.size() == 8));
    reg_.ReadCurrencyAt(root, path, name, currency);
    std::vector<uint8_t> bytes;
    E14_FUZZ_CHECK(reg_.ReadBinaryAt(root, path, name, bytes) == !expected->Data.empty());
    E14_FUZZ_CHECK(expected->Data.empty() || bytes == expected->Data);
    RegistryValue found;
    E14_FUZZ_CHECK(reg_.FindValue(root, path, name, found) == expected->Type);
    if (!calledCurrent_) {
      calledCurrent_ = true;
      CurrentKey(root, path, name);
    }
  }

  cRegistry& reg_;
  RegistryTree& expected_;
  int budget_ = kKeyBudget;
  bool calledCurrent_ = false;
};

// Creates a key and writes a value in it, through the registry class and
// in the tree the store should then hold.
void Write(cRegistry& reg, RegistryTree& expected) {
  E14_FUZZ_CHECK(reg.CreateKey(kCurrentUser, kWrittenKey, ""));
  E14_FUZZ_CHECK(reg.WriteStringAt(kCurrentUser, kWrittenKey, "Written", "yes"));
  std::vector<std::string> names;
  E14_FUZZ_CHECK(SplitKeyPath(kWrittenKey, names) == kErrorSuccess);
  RegKey* key = &expected.Root(kHkeyCurrentUser - kHkeyClassesRoot);
  for (const std::string& name : names) {
    RegKey* child = key->FindSubKey(name);
    key = child != nullptr ? child : &key->AddSubKey(name);
  }
  key->SetValue("Written", kRegSz, {'y', 'e', 's'});
}

// A file that is no store lies beside the store, byte for byte; a store was not set aside.
void CheckSetAside(bool valid, const std::string& input) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(fuzz::StoreFolder())) {
    if (entry.path().filename().string().starts_with("registry.damaged-")) files.push_back(entry.path());
  }
  E14_FUZZ_CHECK(files.size() == (valid ? 0u : 1u));
  if (!valid) E14_FUZZ_CHECK(FileBytes(files[0]) == input);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UsePrivateConfigHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  fuzz::ClearStore();
  cRegistry reg;
  // A process that has looked at the store before the file appeared.
  E14_FUZZ_CHECK(!reg.KeyExists(kCurrentUser, "Software"));
  const std::filesystem::path file = StoreFilePath();
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(input.data(), static_cast<std::streamsize>(input.size()));

  RegistryTree expected;
  const bool valid = ParseStore(input, expected);
  if (!valid) expected = RegistryTree();

  for (const uint32_t root : kRoots) {
    // A root is not opened for export: one the store does not keep gives its header alone.
    const std::string text = reg.ExportKey(root, "", true);
    const std::string header = "\r\n[" + cRegistry::RootName(root) + "]\r\n";
    E14_FUZZ_CHECK(RegistryTree::IsRoot(root) ? text.starts_with(header) : text == header);
  }
  Walker walker(reg, expected);
  for (const uint32_t root : kRoots) walker.Key(root, "");

  CheckSetAside(valid, input);

  Write(reg, expected);
  E14_FUZZ_CHECK(FileBytes(file) == FormatStore(expected));
  CheckSetAside(valid, input);
  return 0;
}
