// General-purpose registry access: a current root and key path with typed
// value access, the same operations on an explicit root and key, enumeration,
// deletion, error texts and export as registry-file text.
//
// No operation throws. Failures are false results (or the zero value of a
// Get operation, or empty text) and leave a Win32 result code in
// LastError(): the platform's, or kErrorUnsupportedType and
// kErrorDatatypeMismatch for stored data of another type or size than the
// family reads. The Long, Byte, Integer, Boolean and Single families read
// only REG_DWORD values of four bytes. One instance must not be used by two
// threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "settings/RegistryApi.h"

namespace e14 {

// What FindValue hands back: bytes for REG_BINARY, a number for the DWORD
// types, text for the string types; monostate when nothing was fetched.
using RegistryValue = std::variant<std::monostate, std::vector<uint8_t>, int32_t, std::string>;

class cRegistry {
 public:
  explicit cRegistry(RegistryApi& api = PlatformRegistry());

  uint32_t Root() const;
  void Root(uint32_t newRoot);
  std::string Key() const;
  void Key(const std::string& newKey);

  std::string GetString(const std::string& name);
  void PutString(const std::string& name, const std::string& value);
  bool ReadString(const std::string& name, std::string& value, const std::string& defaultValue);
  bool WriteString(const std::string& name, const std::string& value);

  int32_t GetLong(const std::string& name);
  void PutLong(const std::string& name, int32_t value);
  bool ReadLong(const std::string& name, int32_t& value, int32_t defaultValue);
  bool WriteLong(const std::string& name, int32_t value);

  uint8_t GetByte(const std::string& name);
  void PutByte(const std::string& name, uint8_t value);
  bool ReadByte(const std::string& name, uint8_t& value, uint8_t defaultValue);
  bool WriteByte(const std::string& name, uint8_t value);

  int16_t GetInteger(const std::string& name);
  void PutInteger(const std::string& name, int16_t value);
  bool ReadInteger(const std::string& name, int16_t& value, int16_t defaultValue);
  bool WriteInteger(const std::string& name, int16_t value);

  bool GetBoolean(const std::string& name);
  void PutBoolean(const std::string& name, bool value);
  bool ReadBoolean(const std::string& name, bool& value, bool defaultValue);
  bool WriteBoolean(const std::string& name, bool value);

  float GetSingle(const std::string& name);
  void PutSingle(const std::string& name, float value);
  bool ReadSingle(const std::string& name, float& value, float defaultValue);
  bool WriteSingle(const std::string& name, float value);

  double GetDouble(const std::string& name);
  void PutDouble(const std::string& name, double value);
  bool ReadDouble(const std::string& name, double& value, double defaultValue);
  bool WriteDouble(const std::string& name, double value);

  // Currency: 64-bit fixed point scaled by 10 000, kept as its raw integer.
  int64_t GetCurrency(const std::string& name);
  void PutCurrency(const std::string& name, int64_t value);
  bool ReadCurrency(const std::string& name, int64_t& value, int64_t defaultValue);
  bool WriteCurrency(const std::string& name, int64_t value);

  std::vector<uint8_t> GetBinary(const std::string& name);
  void PutBinary(const std::string& name, const std::vector<uint8_t>& value);
  bool ReadBinary(const std::string& name, std::vector<uint8_t>& value);
  bool WriteBinary(const std::string& name, const std::vector<uint8_t>& value);

  bool KeyExists(uint32_t root, const std::string& path);
  bool CreateKey(uint32_t root, const std::string& path, const std::string& defaultValue);
  bool DeleteKey(uint32_t root, const std::string& path);
  bool DeleteValue(uint32_t root, const std::string& path, const std::string& name);

  bool WriteStringAt(uint32_t root, const std::string& path, const std::string& name,
                     const std::string& value);
  bool ReadStringAt(uint32_t root, const std::string& path, const std::string& name,
                    std::string& value);
  bool WriteLongAt(uint32_t root, const std::string& path, const std::string& name, int32_t value);
  bool ReadLongAt(uint32_t root, const std::string& path, const std::string& name, int32_t& value);
  bool ReadByteAt(uint32_t root, const std::string& path, const std::string& name, uint8_t& value);
  bool WriteByteAt(uint32_t root, const std::string& path, const std::string& name, uint8_t value);
  bool ReadIntegerAt(uint32_t root, const std::string& path, const std::string& name,
                     int16_t& value);
  bool WriteIntegerAt(uint32_t root, const std::string& path, const std::string& name,
                      int16_t value);
  bool ReadBooleanAt(uint32_t root, const std::string& path, const std::string& name, bool& value);
  bool WriteBooleanAt(uint32_t root, const std::string& path, const std::string& name, bool value);
  bool ReadSingleAt(uint32_t root, const std::string& path, const std::string& name, float& value);
  bool WriteSingleAt(uint32_t root, const std::string& path, const std::string& name, float value);
  bool ReadDoubleAt(uint32_t root, const std::string& path, const std::string& name,
                    double& value);
  bool WriteDoubleAt(uint32_t root, const std::string& path, const std::string& name,
                     double value);
  bool ReadCurrencyAt(uint32_t root, const std::string& path, const std::string& name,
                      int64_t& value);
  bool WriteCurrencyAt(uint32_t root, const std::string& path, const std::string& name,
                       int64_t value);
  bool WriteBinaryAt(uint32_t root, const std::string& path, const std::string& name,
                     const std::vector<uint8_t>& value);
  bool ReadBinaryAt(uint32_t root, const std::string& path, const std::string& name,
                    std::vector<uint8_t>& value);

  uint32_t FindValue(uint32_t root, const std::string& path, const std::string& name,
                     RegistryValue& value);
  // names[0] receives the path itself, names[1..count] the entries.
  void EnumKeys(uint32_t root, const std::string& path, std::vector<std::string>& names,
                int32_t& count);
  void EnumValues(uint32_t root, const std::string& path, std::vector<std::string>& names,
                  int32_t& count);
  // The text of what could be read: a value or key that fails leaves its
  // lines out, and LastError() is the first failure.
  std::string ExportKey(uint32_t root, const std::string& path, bool recurse);

  static std::string RootName(uint32_t root);
  int32_t LastError() const;
  std::string LastErrorText();

 private:
  // ReadBinaryAt, failing on data of another size than `size`.
  bool ReadBinaryOfSize(uint32_t root, const std::string& path, const std::string& name,
                        size_t size, std::vector<uint8_t>& value);
  // Appends the key's text (and its subkeys' when `recurse`) to `text`;
  // `failure` keeps the first failed call.
  void ExportTree(uint32_t root, const std::string& path, bool recurse, std::string& text,
                  int32_t& failure);
  static std::string CutAtNull(const std::string& text);
  std::string SystemErrorText(int32_t code, bool cutAtPeriod);

  RegistryApi& api_;
  uint32_t root_ = static_cast<uint32_t>(kHkeyCurrentUser);
  std::string key_ = "Software";
  int32_t lastError_ = 0;
};

}  // namespace e14
