// The platform registry calls that cRegistry is built on, with the semantics
// and result codes of the Win32 ANSI registry functions. Windows implements
// them over advapi32; POSIX over a file-backed store under the user's
// configuration folder. Every call returns a Win32 error code (0 = success).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace e14 {

using RegHandle = uint64_t;  // predefined roots are 0x80000000..0x80000006

constexpr RegHandle kHkeyClassesRoot = 0x80000000;
constexpr RegHandle kHkeyCurrentUser = 0x80000001;
constexpr RegHandle kHkeyLocalMachine = 0x80000002;
constexpr RegHandle kHkeyUsers = 0x80000003;
constexpr RegHandle kHkeyPerformanceData = 0x80000004;
constexpr RegHandle kHkeyCurrentConfig = 0x80000005;
constexpr RegHandle kHkeyDynData = 0x80000006;

constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegDwordBigEndian = 5;
constexpr uint32_t kRegLink = 6;
constexpr uint32_t kRegMultiSz = 7;

constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyRead = 0x20009;
constexpr uint32_t kKeyWrite = 0x20006;

// Win32 result codes the stores report.
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorInvalidParameter = 87;
constexpr int32_t kErrorBadPathname = 161;
constexpr int32_t kErrorLockFailed = 167;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;
constexpr int32_t kErrorBadRegistryFile = 1009;  // store unreadable: damaged file set aside
constexpr int32_t kErrorRegistryIoFailed = 1016;
constexpr int32_t kErrorKeyDeleted = 1018;
// Reported by cRegistry, not the stores: a value of the right type whose data
// has the wrong size, and a value of another type than the read asks for.
constexpr int32_t kErrorDatatypeMismatch = 1629;
constexpr int32_t kErrorUnsupportedType = 1630;

struct RegKeyInfo {
  uint32_t SubKeys = 0;
  uint32_t MaxSubKeyLen = 0;
  uint32_t Values = 0;
  uint32_t MaxValueNameLen = 0;
  uint32_t MaxValueLen = 0;
};

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  virtual int32_t OpenKey(RegHandle root, const std::string& path, uint32_t access,
                          RegHandle& key) = 0;
  // Creates the key and any missing parents, or opens it when it exists.
  virtual int32_t CreateKey(RegHandle root, const std::string& path, uint32_t access,
                            RegHandle& key) = 0;
  virtual int32_t CloseKey(RegHandle key) = 0;
  // Deletes one key without subkeys, named by its path below `key`.
  virtual int32_t DeleteKey(RegHandle key, const std::string& subKey) = 0;
  virtual int32_t DeleteValue(RegHandle key, const std::string& name) = 0;
  virtual int32_t SetValue(RegHandle key, const std::string& name, uint32_t type,
                           const uint8_t* data, uint32_t size) = 0;
  // As RegQueryValueEx: `data` may be null to learn the size; when the value
  // does not fit, `size` receives the needed size and kErrorMoreData is returned.
  virtual int32_t QueryValue(RegHandle key, const std::string& name, uint32_t* type,
                             uint8_t* data, uint32_t& size) = 0;
  virtual int32_t QueryInfoKey(RegHandle key, RegKeyInfo& info) = 0;
  virtual int32_t EnumKey(RegHandle key, uint32_t index, std::string& name) = 0;
  virtual int32_t EnumValue(RegHandle key, uint32_t index, std::string& name, uint32_t& type,
                            std::vector<uint8_t>& data) = 0;
  // The system's message text for a result code, with its trailing line break;
  // empty when the code has no text.
  virtual std::string MessageText(int32_t code) = 0;
};

// The registry of this platform, shared by every cRegistry of the process.
RegistryApi& PlatformRegistry();

}  // namespace e14
