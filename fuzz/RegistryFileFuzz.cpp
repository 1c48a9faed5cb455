// Arbitrary bytes as the settings store's file, then the registry class over
// it: a recursive export of every root and one write. Whatever the file
// holds, nothing may fail the process; a file that is not a store is set
// aside byte for byte and never overwritten; a store that parses is read as
// it is: the write keeps all of it. (How each value family reads a value is
// the registry class's unit tests' to check.)
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

std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

  // Reading every key and value of every root, as an export does.
  for (const uint32_t root : kRoots) reg.ExportKey(root, "", true);

  CheckSetAside(valid, input);

  Write(reg, expected);
  E14_FUZZ_CHECK(FileBytes(file) == FormatStore(expected));
  CheckSetAside(valid, input);
  return 0;
}
