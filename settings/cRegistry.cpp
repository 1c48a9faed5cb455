#include "settings/cRegistry.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>

#include "settings/RegistryText.h"

namespace e14 {

// Values travel as their in-memory bytes: the stored form is little-endian.
static_assert(std::endian::native == std::endian::little);

namespace {

// The system message lookup fills a buffer of this many characters; a longer
// message does not fit and gives no text.
constexpr size_t kMessageBufferSize = 256;

// The key one operation works on, closed again when the operation returns.
// The result of the open becomes the caller's LastError.
class OpenedKey {
 public:
  enum class EmptyPath { Open, IsRoot };

  OpenedKey(RegistryApi& api, uint32_t root, const std::string& path, uint32_t access,
            int32_t& lastError, EmptyPath emptyPath = EmptyPath::Open)
      : api_(api) {
    if (path.empty() && emptyPath == EmptyPath::IsRoot) {
      handle_ = root;
      usable_ = true;
      return;
    }
    lastError = api.OpenKey(root, path, access, handle_);
    usable_ = lastError == kErrorSuccess;
    mustClose_ = usable_;
  }
  ~OpenedKey() { Close(); }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  explicit operator bool() const { return usable_; }
  RegHandle Handle() const { return handle_; }
  void Close() {
    if (mustClose_) api_.CloseKey(handle_);
    mustClose_ = false;
  }

 private:
  RegistryApi& api_;
  RegHandle handle_ = 0;
  bool usable_ = false;
  bool mustClose_ = false;
};

// Fills names[1..n] with what nameAt(handle, index, name) lists; names[0] is
// the path. An empty path lists the root itself.
template <typename CountOf, typename NameAt>
void ListNames(RegistryApi& api, int32_t& lastError, uint32_t root, const std::string& path,
               std::vector<std::string>& names, int32_t& count, CountOf countOf, NameAt nameAt) {
  names.assign(1, path);
  count = 0;
  const OpenedKey key(api, root, path, kKeyRead, lastError, OpenedKey::EmptyPath::IsRoot);
  if (!key) return;
  RegKeyInfo info;
  lastError = api.QueryInfoKey(key.Handle(), info);
  if (lastError != kErrorSuccess) return;
  const uint32_t n = countOf(info);
  names.resize(size_t{n} + 1);
  for (uint32_t index = 0; index < n; ++index) {
    lastError = nameAt(key.Handle(), index, names[index + 1]);
    if (lastError != kErrorSuccess) {
      names.resize(1);
      return;
    }
  }
  count = static_cast<int32_t>(n);
}

template <typename T>
using ReadAt = bool (cRegistry::*)(uint32_t, const std::string&, const std::string&, T&);

// The Read<Family> rule: the value on success, the default otherwise.
template <typename T>
bool ReadOrDefault(cRegistry& reg, ReadAt<T> readAt, const std::string& name, T& value,
                   const T& defaultValue) {
  if ((reg.*readAt)(reg.Root(), reg.Key(), name, value)) return true;
  value = defaultValue;
  return false;
}

template <typename T>
T ReadOrZero(cRegistry& reg, ReadAt<T> readAt, const std::string& name) {
  T value{};
  ReadOrDefault(reg, readAt, name, value, T{});
  return value;
}

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
  const auto bytes = std::bit_cast<std::array<uint8_t, sizeof(T)>>(value);
  return {bytes.begin(), bytes.end()};
}

// String data as text: a final NUL is the terminator, not part of the text;
// embedded NULs (multi-strings) stay.
std::string TextOf(const std::vector<uint8_t>& data) {
  size_t length = data.size();
  if (length > 0 && data[length - 1] == 0) --length;
  return {data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length)};
}

// A value's type and data: the size query, then the data query. The value
// may shrink between the two (another writer); a value that grew fails.
int32_t QueryData(RegistryApi& api, RegHandle key, const std::string& name, uint32_t& type,
                  std::vector<uint8_t>& data) {
  uint32_t size = 0;
  int32_t result = api.QueryValue(key, name, &type, nullptr, size);
  if (result != kErrorSuccess || size == 0) {
    data.clear();
    return result;
  }
  data.assign(size, 0);
  result = api.QueryValue(key, name, nullptr, data.data(), size);
  if (result == kErrorSuccess) data.resize(size);
  return result;
}

}  // namespace

cRegistry::cRegistry(RegistryApi& api) : api_(api) {}

uint32_t cRegistry::Root() const { return root_; }

void cRegistry::Root(uint32_t newRoot) {
  if (newRoot == root_ || !KeyExists(newRoot, "")) return;
  root_ = newRoot;
  Key("");
}

std::string cRegistry::Key() const { return key_; }

void cRegistry::Key(const std::string& newKey) {
  if (newKey == key_) return;
  if (KeyExists(root_, newKey) || CreateKey(root_, newKey, "")) key_ = newKey;
}

std::string cRegistry::GetString(const std::string& name) {
  std::string value;
  ReadString(name, value, "");
  return value;
}
void cRegistry::PutString(const std::string& name, const std::string& value) {
  WriteString(name, value);
}
bool cRegistry::ReadString(const std::string& name, std::string& value,
                           const std::string& defaultValue) {
  if (ReadStringAt(root_, key_, name, value)) return true;
  if (!defaultValue.empty()) value = defaultValue;
  return false;
}
bool cRegistry::WriteString(const std::string& name, const std::string& value) {
  return WriteStringAt(root_, key_, name, value);
}

int32_t cRegistry::GetLong(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadLongAt, name);
}
void cRegistry::PutLong(const std::string& name, int32_t value) { WriteLong(name, value); }
bool cRegistry::ReadLong(const std::string& name, int32_t& value, int32_t defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadLongAt, name, value, defaultValue);
}
bool cRegistry::WriteLong(const std::string& name, int32_t value) {
  return WriteLongAt(root_, key_, name, value);
}

uint8_t cRegistry::GetByte(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadByteAt, name);
}
void cRegistry::PutByte(const std::string& name, uint8_t value) { WriteByte(name, value); }
bool cRegistry::ReadByte(const std::string& name, uint8_t& value, uint8_t defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadByteAt, name, value, defaultValue);
}
bool cRegistry::WriteByte(const std::string& name, uint8_t value) {
  return WriteByteAt(root_, key_, name, value);
}

int16_t cRegistry::GetInteger(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadIntegerAt, name);
}
void cRegistry::PutInteger(const std::string& name, int16_t value) { WriteInteger(name, value); }
bool cRegistry::ReadInteger(const std::string& name, int16_t& value, int16_t defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadIntegerAt, name, value, defaultValue);
}
bool cRegistry::WriteInteger(const std::string& name, int16_t value) {
  return WriteIntegerAt(root_, key_, name, value);
}

bool cRegistry::GetBoolean(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadBooleanAt, name);
}
void cRegistry::PutBoolean(const std::string& name, bool value) { WriteBoolean(name, value); }
bool cRegistry::ReadBoolean(const std::string& name, bool& value, bool defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadBooleanAt, name, value, defaultValue);
}
bool cRegistry::WriteBoolean(const std::string& name, bool value) {
  return WriteBooleanAt(root_, key_, name, value);
}

float cRegistry::GetSingle(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadSingleAt, name);
}
void cRegistry::PutSingle(const std::string& name, float value) { WriteSingle(name, value); }
bool cRegistry::ReadSingle(const std::string& name, float& value, float defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadSingleAt, name, value, defaultValue);
}
bool cRegistry::WriteSingle(const std::string& name, float value) {
  return WriteSingleAt(root_, key_, name, value);
}

double cRegistry::GetDouble(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadDoubleAt, name);
}
void cRegistry::PutDouble(const std::string& name, double value) { WriteDouble(name, value); }
bool cRegistry::ReadDouble(const std::string& name, double& value, double defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadDoubleAt, name, value, defaultValue);
}
bool cRegistry::WriteDouble(const std::string& name, double value) {
  return WriteDoubleAt(root_, key_, name, value);
}

int64_t cRegistry::GetCurrency(const std::string& name) {
  return ReadOrZero(*this, &cRegistry::ReadCurrencyAt, name);
}
void cRegistry::PutCurrency(const std::string& name, int64_t value) { WriteCurrency(name, value); }
bool cRegistry::ReadCurrency(const std::string& name, int64_t& value, int64_t defaultValue) {
  return ReadOrDefault(*this, &cRegistry::ReadCurrencyAt, name, value, defaultValue);
}
bool cRegistry::WriteCurrency(const std::string& name, int64_t value) {
  return WriteCurrencyAt(root_, key_, name, value);
}

std::vector<uint8_t> cRegistry::GetBinary(const std::string& name) {
  std::vector<uint8_t> value{0};
  ReadBinary(name, value);
  return value;
}
void cRegistry::PutBinary(const std::string& name, const std::vector<uint8_t>& value) {
  WriteBinary(name, value);
}
bool cRegistry::ReadBinary(const std::string& name, std::vector<uint8_t>& value) {
  return ReadBinaryAt(root_, key_, name, value);
}
bool cRegistry::WriteBinary(const std::string& name, const std::vector<uint8_t>& value) {
  return WriteBinaryAt(root_, key_, name, value);
}

bool cRegistry::KeyExists(uint32_t root, const std::string& path) {
  return static_cast<bool>(OpenedKey(api_, root, path, kKeyRead, lastError_));
}

bool cRegistry::CreateKey(uint32_t root, const std::string& path, const std::string& defaultValue) {
  RegHandle key = 0;
  lastError_ = api_.CreateKey(root, path, kKeyCreateSubKey, key);
  if (lastError_ != kErrorSuccess) return false;
  api_.CloseKey(key);
  return defaultValue.empty() || WriteStringAt(root, path, "", defaultValue);
}

bool cRegistry::DeleteKey(uint32_t root, const std::string& path) {
  const OpenedKey key(api_, root, path, kKeyWrite, lastError_);
  if (!key) return false;
  lastError_ = api_.DeleteKey(root, path);
  return lastError_ == kErrorSuccess;
}

bool cRegistry::DeleteValue(uint32_t root, const std::string& path, const std::string& name) {
  const OpenedKey key(api_, root, path, kKeyWrite, lastError_);
  if (!key) return false;
  lastError_ = api_.DeleteValue(key.Handle(), name);
  return lastError_ == kErrorSuccess;
}

bool cRegistry::WriteStringAt(uint32_t root, const std::string& path, const std::string& name,
                              const std::string& value) {
  if (value.size() > std::numeric_limits<uint32_t>::max()) {
    lastError_ = kErrorInvalidParameter;
    return false;
  }
  const OpenedKey key(api_, root, path, kKeySetValue, lastError_);
  if (!key) return false;
  lastError_ =
      api_.SetValue(key.Handle(), name, kRegSz, reinterpret_cast<const uint8_t*>(value.data()),
                    static_cast<uint32_t>(value.size()));
  return lastError_ == kErrorSuccess;
}

bool cRegistry::ReadStringAt(uint32_t root, const std::string& path, const std::string& name,
                             std::string& value) {
  const OpenedKey key(api_, root, path, kKeyQueryValue, lastError_);
  if (!key) return false;
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
  lastError_ = QueryData(api_, key.Handle(), name, type, data);
  if (lastError_ != kErrorSuccess) return false;
  value = CutAtNull({data.begin(), data.end()});
  return true;
}

bool cRegistry::WriteLongAt(uint32_t root, const std::string& path, const std::string& name,
                            int32_t value) {
  const OpenedKey key(api_, root, path, kKeyWrite, lastError_);
  if (!key) return false;
  const auto bytes = BytesOf(value);
  lastError_ = api_.SetValue(key.Handle(), name, kRegDword, bytes.data(), 4);
  return lastError_ == kErrorSuccess;
}

bool cRegistry::ReadLongAt(uint32_t root, const std::string& path, const std::string& name,
                           int32_t& value) {
  const OpenedKey key(api_, root, path, kKeyQueryValue, lastError_);
  if (!key) return false;
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
  lastError_ = QueryData(api_, key.Handle(), name, type, data);
  if (lastError_ != kErrorSuccess) return false;
  // Text or bytes that happen to be four long are no number.
  if (type != kRegDword) {
    lastError_ = kErrorUnsupportedType;
    return false;
  }
  if (data.size() != sizeof value) {
    lastError_ = kErrorDatatypeMismatch;
    return false;
  }
  value = static_cast<int32_t>(DwordFromBytes(data));
  return true;
}

bool cRegistry::ReadByteAt(uint32_t root, const std::string& path, const std::string& name,
                           uint8_t& value) {
  int32_t word = 0;
  if (!ReadLongAt(root, path, name, word)) return false;
  value = static_cast<uint8_t>(word & 0xFF);
  return true;
}

bool cRegistry::WriteByteAt(uint32_t root, const std::string& path, const std::string& name,
                            uint8_t value) {
  return WriteLongAt(root, path, name, value);
}

bool cRegistry::ReadIntegerAt(uint32_t root, const std::string& path, const std::string& name,
                              int16_t& value) {
  int32_t word = 0;
  if (!ReadLongAt(root, path, name, word)) return false;
  value = static_cast<int16_t>(word & 0xFFFF);
  return true;
}

bool cRegistry::WriteIntegerAt(uint32_t root, const std::string& path, const std::string& name,
                               int16_t value) {
  return WriteLongAt(root, path, name, static_cast<uint16_t>(value));
}

bool cRegistry::ReadBooleanAt(uint32_t root, const std::string& path, const std::string& name,
                              bool& value) {
  int32_t word = 0;
  if (!ReadLongAt(root, path, name, word)) return false;
  value = word != 0;
  return true;
}

bool cRegistry::WriteBooleanAt(uint32_t root, const std::string& path, const std::string& name,
                               bool value) {
  return WriteLongAt(root, path, name, value ? 1 : 0);
}

bool cRegistry::ReadSingleAt(uint32_t root, const std::string& path, const std::string& name,
                             float& value) {
  int32_t word = 0;
  if (!ReadLongAt(root, path, name, word)) return false;
  value = std::bit_cast<float>(word);
  return true;
}

bool cRegistry::WriteSingleAt(uint32_t root, const std::string& path, const std::string& name,
                              float value) {
  return WriteLongAt(root, path, name, std::bit_cast<int32_t>(value));
}

bool cRegistry::ReadDoubleAt(uint32_t root, const std::string& path, const std::string& name,
                             double& value) {
  std::vector<uint8_t> bytes;
  if (!ReadBinaryOfSize(root, path, name, sizeof value, bytes)) return false;
  std::memcpy(&value, bytes.data(), sizeof value);
  return true;
}

bool cRegistry::WriteDoubleAt(uint32_t root, const std::string& path, const std::string& name,
                              double value) {
  return WriteBinaryAt(root, path, name, BytesOf(value));
}

bool cRegistry::ReadCurrencyAt(uint32_t root, const std::string& path, const std::string& name,
                               int64_t& value) {
  std::vector<uint8_t> bytes;
  if (!ReadBinaryOfSize(root, path, name, sizeof value, bytes)) return false;
  std::memcpy(&value, bytes.data(), sizeof value);
  return true;
}

bool cRegistry::WriteCurrencyAt(uint32_t root, const std::string& path, const std::string& name,
                                int64_t value) {
  return WriteBinaryAt(root, path, name, BytesOf(value));
}

bool cRegistry::WriteBinaryAt(uint32_t root, const std::string& path, const std::string& name,
                              const std::vector<uint8_t>& value) {
  if (value.empty() || value.size() > std::numeric_limits<uint32_t>::max()) {
    lastError_ = kErrorInvalidParameter;
    return false;
  }
  const OpenedKey key(api_, root, path, kKeySetValue, lastError_);
  if (!key) return false;
  lastError_ = api_.SetValue(key.Handle(), name, kRegBinary, value.data(),
                             static_cast<uint32_t>(value.size()));
  return lastError_ == kErrorSuccess;
}

bool cRegistry::ReadBinaryAt(uint32_t root, const std::string& path, const std::string& name,
                             std::vector<uint8_t>& value) {
  const OpenedKey key(api_, root, path, kKeyQueryValue, lastError_);
  if (!key) return false;
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
  lastError_ = QueryData(api_, key.Handle(), name, type, data);
  if (lastError_ != kErrorSuccess) return false;
  if (data.empty()) {
    lastError_ = kErrorDatatypeMismatch;
    return false;
  }
  value = std::move(data);
  return true;
}

bool cRegistry::ReadBinaryOfSize(uint32_t root, const std::string& path, const std::string& name,
                                 size_t size, std::vector<uint8_t>& value) {
  if (!ReadBinaryAt(root, path, name, value)) return false;
  if (value.size() == size) return true;
  lastError_ = kErrorDatatypeMismatch;
  return false;
}

uint32_t cRegistry::FindValue(uint32_t root, const std::string& path, const std::string& name,
                              RegistryValue& value) {
  const OpenedKey key(api_, root, path, kKeyRead, lastError_, OpenedKey::EmptyPath::IsRoot);
  if (!key) return kRegNone;
  RegKeyInfo info;
  lastError_ = api_.QueryInfoKey(key.Handle(), info);
  if (lastError_ != kErrorSuccess) return kRegNone;
  for (uint32_t index = 0; index < info.Values; ++index) {
    std::string valueName;
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
    lastError_ = api_.EnumValue(key.Handle(), index, valueName, type, data);
    if (lastError_ != kErrorSuccess) return kRegNone;
    if (valueName != name) continue;
    switch (type) {
      case kRegBinary:
        value = std::move(data);
        break;
      case kRegDword:
      case kRegDwordBigEndian:
        value = static_cast<int32_t>(DwordFromBytes(data));
        break;
      case kRegSz:
      case kRegExpandSz:
      case kRegMultiSz:
        value = TextOf(data);
        break;
      default:
        break;
    }
    return type;
  }
  lastError_ = kErrorFileNotFound;
  return kRegNone;
}

void cRegistry::EnumKeys(uint32_t root, const std::string& path, std::vector<std::string>& names,
                         int32_t& count) {
  ListNames(
      api_, lastError_, root, path, names, count,
      [](const RegKeyInfo& info) { return info.SubKeys; },
      [this](RegHandle key, uint32_t index, std::string& name) {
        return api_.EnumKey(key, index, name);
      });
}

void cRegistry::EnumValues(uint32_t root, const std::string& path, std::vector<std::string>& names,
                           int32_t& count) {
  ListNames(
      api_, lastError_, root, path, names, count,
      [](const RegKeyInfo& info) { return info.Values; },
      [this](RegHandle key, uint32_t index, std::string& name) {
        uint32_t type = kRegNone;
        std::vector<uint8_t> data;
        return api_.EnumValue(key, index, name, type, data);
      });
}

std::string cRegistry::ExportKey(uint32_t root, const std::string& path, bool recurse) {
  std::string text;
  int32_t failure = kErrorSuccess;
  ExportTree(root, path, recurse, text, failure);
  lastError_ = failure;
  return text;
}

void cRegistry::ExportTree(uint32_t root, const std::string& path, bool recurse,
                           std::string& text, int32_t& failure) {
  const auto keepFailure = [&] {
    if (failure == kErrorSuccess) failure = lastError_;
  };
  OpenedKey key(api_, root, path, kKeyRead, lastError_, OpenedKey::EmptyPath::IsRoot);
  if (!key) {
    keepFailure();
    return;
  }
  text += "\r\n" + ExportHeaderLine(RootName(root), path);
  RegKeyInfo info;
  lastError_ = api_.QueryInfoKey(key.Handle(), info);
  keepFailure();
  for (uint32_t index = 0; index < info.Values; ++index) {
    std::string name;
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
    lastError_ = api_.EnumValue(key.Handle(), index, name, type, data);
    keepFailure();
    if (lastError_ == kErrorSuccess) text += ExportValueLine(name, type, data);
  }
  // Closed before descending, so a deep tree never holds a handle per level.
  key.Close();
  if (!recurse) return;
  std::vector<std::string> names;
  int32_t count = 0;
  EnumKeys(root, path, names, count);
  keepFailure();
  for (int32_t i = 1; i <= count; ++i) {
    ExportTree(root, path.empty() ? names[i] : path + "\\" + names[i], recurse, text, failure);
  }
}

std::string cRegistry::RootName(uint32_t root) {
  switch (root) {
    case kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHkeyCurrentUser:
      return "HKEY_CURRENT_USER";
    case kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHkeyUsers:
      return "HKEY_USERS";
    case kHkeyPerformanceData:
      return "HKEY_PERFORMANCE_DATA";
    case kHkeyCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    case kHkeyDynData:
      return "HKEY_DYN_DATA";
    default:
      return "";
  }
}

int32_t cRegistry::LastError() const { return lastError_; }

std::string cRegistry::LastErrorText() {
  std::string text = SystemErrorText(lastError_, false);
  if (text.size() > 4) text.pop_back();
  return text;
}

std::string cRegistry::CutAtNull(const std::string& text) {
  return text.substr(0, text.find('\0'));
}

std::string cRegistry::SystemErrorText(int32_t code, bool cutAtPeriod) {
  const std::string message = api_.MessageText(code);
  if (message.size() >= kMessageBufferSize) return "";
  std::string text = message.substr(0, message.size() >= 2 ? message.size() - 2 : 0);
  if (cutAtPeriod) text = text.substr(0, text.find('.'));
  return text;
}

}  // namespace e14
