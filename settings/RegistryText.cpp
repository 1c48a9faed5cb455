#include "settings/RegistryText.h"

#include <cstdio>

#include "settings/RegistryApi.h"

namespace e14 {

namespace {

const char* const kLineEnd = "\r\n";

std::string HexBytes(const std::vector<uint8_t>& data) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(data.size() * 3);
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) text += ',';
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 0x0F];
  }
  return text;
}

std::string QuotedText(const std::vector<uint8_t>& data) {
  std::string text;
  for (const uint8_t byte : data) {
    if (byte == 0) break;
    if (byte == '\\') text += '\\';
    text += static_cast<char>(byte);
  }
  const auto first = text.find_first_not_of(' ');
  text =
      first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
  return '"' + text + '"';
}

std::string HexNumber(uint32_t value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", width, value);
  return text;
}

std::string DataPart(uint32_t type, const std::vector<uint8_t>& data) {
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegMultiSz:
      return QuotedText(data);
    case kRegBinary:
      return "hex:" + HexBytes(data);
    case kRegDword:
    case kRegDwordBigEndian:
      if (data.size() == 4) return "dword:" + HexNumber(DwordFromBytes(data), 8);
      break;
    default:
      break;
  }
  return "hex(" + HexNumber(type, 1) + "):" + HexBytes(data);
}

}  // namespace

uint32_t DwordFromBytes(const std::vector<uint8_t>& data) {
  uint32_t word = 0;
  for (size_t i = 0; i < data.size() && i < 4; ++i) word |= uint32_t{data[i]} << (8 * i);
  return word;
}

std::string ExportHeaderLine(const std::string& rootName, const std::string& path) {
  return "[" + rootName + (path.empty() ? "" : "\\" + path) + "]" + kLineEnd;
}

std::string ExportValueLine(const std::string& name, uint32_t type,
                            const std::vector<uint8_t>& data) {
  const std::string namePart = name.empty() ? "@=" : '"' + name + "\"=";
  return namePart + DataPart(type, data) + kLineEnd;
}

}  // namespace e14
