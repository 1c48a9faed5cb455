#include "settings/posix/StoreFormat.h"

#include <algorithm>
#include <optional>

namespace e14 {

namespace {

constexpr std::string_view kHeader = "e14-140 registry 1\n";
constexpr std::string_view kEnd = "end\n";
constexpr std::string_view kEmpty = "-";
constexpr char kDigits[] = "0123456789abcdef";

bool IsPlain(unsigned char byte) {
  return byte >= '!' && byte <= '~' && byte != '%' && byte != '\\';
}

std::string EncodeName(std::string_view name) {
  if (name.empty()) return std::string(kEmpty);
  if (name == kEmpty) return "%2d";
  std::string field;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsPlain(byte)) {
      field += c;
    } else {
      field += '%';
      field += kDigits[byte >> 4];
      field += kDigits[byte & 0x0F];
    }
  }
  return field;
}

std::string EncodeData(const std::vector<uint8_t>& data) {
  if (data.empty()) return std::string(kEmpty);
  std::string field;
  field.reserve(data.size() * 2);
  for (const uint8_t byte : data) {
    field += kDigits[byte >> 4];
    field += kDigits[byte & 0x0F];
  }
  return field;
}

void FormatKey(std::string& text, RegHandle root, const RegKey& key, const std::string& path) {
  text += "key ";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(root >> shift) & 0x0F];
  text += ' ';
  text += path.empty() ? std::string(kEmpty) : path;
  text += '\n';
  for (const RegValue& value : key.Values()) {
    text += "value " + std::to_string(value.Type) + ' ' + EncodeName(value.Name) + ' ' +
            EncodeData(value.Data) + '\n';
  }
  for (const auto& subKey : key.SubKeys()) {
    const std::string name = EncodeName(subKey->Name());
    FormatKey(text, root, *subKey, path.empty() ? name : path + '\\' + name);
  }
}

std::optional<uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

std::optional<uint8_t> HexByte(char high, char low) {
  const auto h = HexDigit(high);
  const auto l = HexDigit(low);
  if (!h || !l) return std::nullopt;
  return static_cast<uint8_t>(*h << 4 | *l);
}

std::optional<std::string> DecodeName(std::string_view field, size_t maxLength) {
  if (field == kEmpty) return std::string();
  std::string name;
  for (size_t i = 0; i < field.size(); ++i) {
    const auto byte = static_cast<unsigned char>(field[i]);
    if (IsPlain(byte)) {
      name += field[i];
      continue;
    }
    if (byte != '%' || i + 2 >= field.size()) return std::nullopt;
    const auto decoded = HexByte(field[i + 1], field[i + 2]);
    if (!decoded || *decoded == 0) return std::nullopt;
    name += static_cast<char>(*decoded);
    i += 2;
  }
  if (name.size() > maxLength) return std::nullopt;
  return name;
}

std::optional<std::vector<uint8_t>> DecodeData(std::string_view field) {
  if (field == kEmpty) return std::vector<uint8_t>();
  if (field.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> data;
  data.reserve(field.size() / 2);
  for (size_t i = 0; i < field.size(); i += 2) {
    const auto byte = HexByte(field[i], field[i + 1]);
    if (!byte) return std::nullopt;
    data.push_back(*byte);
  }
  return data;
}

std::optional<uint32_t> DecodeNumber(std::string_view field, int base, size_t digits) {
  if (field.empty() || field.size() > digits) return std::nullopt;
  uint64_t number = 0;
  for (const char c : field) {
    const auto digit = HexDigit(c);
    if (!digit || *digit >= base) return std::nullopt;
    number = number * static_cast<uint64_t>(base) + *digit;
  }
  if (number > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(number);
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t end; (end = line.find(separator, start)) != std::string_view::npos; start = end + 1) {
    parts.push_back(line.substr(start, end - start));
  }
  parts.push_back(line.substr(start));
  return parts;
}

// Reads the records between the header and the end line.
class Parser {
 public:
  explicit Parser(RegistryTree& tree) : tree_(tree) {}

  bool Line(std::string_view line) {
    const auto fields = Split(line, ' ');
    if (fields.size() == 3 && fields[0] == "key") return Key(fields[1], fields[2]);
    if (fields.size() == 4 && fields[0] == "value") return Value(fields[1], fields[2], fields[3]);
    return false;
  }

 private:
  bool Key(std::string_view rootField, std::string_view pathField) {
    const auto root = rootField.size() == 8 ? DecodeNumber(rootField, 16, 8) : std::nullopt;
    if (!root || !RegistryTree::IsRoot(*root)) return false;
    std::vector<std::string> names;
    if (pathField != kEmpty) {
      for (const std::string_view part : Split(pathField, '\\')) {
        auto name = DecodeName(part, kMaxKeyNameLength);
        if (!name || name->empty() || name->find('\\') != std::string::npos) return false;
        names.push_back(std::move(*name));
      }
    }
    if (names.size() > kMaxKeyDepth) return false;
    if (names.empty()) {
      current_ = tree_.Find(*root, names);
      if (std::find(roots_.begin(), roots_.end(), current_) != roots_.end()) return false;
      roots_.push_back(current_);
      return true;
    }
    const std::string last = std::move(names.back());
    names.pop_back();
    RegKey* parent = tree_.Find(*root, names);
    if (parent == nullptr || parent->FindSubKey(last) != nullptr) return false;
    current_ = &parent->AddSubKey(last);
    return true;
  }

  bool Value(std::string_view typeField, std::string_view nameField, std::string_view dataField) {
    const auto type = DecodeNumber(typeField, 10, 10);
    auto name = DecodeName(nameField, kMaxValueNameLength);
    auto data = DecodeData(dataField);
    if (current_ == nullptr || !type || !name || !data || data->size() > UINT32_MAX) return false;
    if (current_->FindValue(*name) != nullptr) return false;
    current_->SetValue(*name, *type, std::move(*data));
    return true;
  }

  RegistryTree& tree_;
  RegKey* current_ = nullptr;
  std::vector<const RegKey*> roots_;
};

}  // namespace

std::string FormatStore(const RegistryTree& tree) {
  std::string text(kHeader);
  for (size_t index = 0; index < RegistryTree::kRootCount; ++index) {
    FormatKey(text, RegistryTree::RootHandle(index), tree.Root(index), "");
  }
  text += kEnd;
  return text;
}

bool ParseStore(std::string_view text, RegistryTree& tree) {
  if (!text.starts_with(kHeader) || !text.ends_with(kEnd)) return false;
  std::string_view body = text.substr(kHeader.size());
  Parser parser(tree);
  while (body != kEnd) {
    const size_t end = body.find('\n');
    if (!parser.Line(body.substr(0, end))) return false;
    body.remove_prefix(end + 1);
  }
  return true;
}

}  // namespace e14
