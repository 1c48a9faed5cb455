#include "ui/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace e14 {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Appends a run of digits from text at pos to out; returns how many.
size_t TakeDigits(std::string_view text, size_t& pos, std::string& out) {
  const size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) out += text[pos++];
  return pos - start;
}

// General notation (like printf's %g) with the separator in place of '.'.
template <typename T>
std::string GeneralText(T value, int precision, std::string_view separator) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::general, precision);
  std::string text(buffer, result.ptr);
  std::string out;
  for (char c : text) {
    if (c == '.') {
      out += separator;
    } else {
      out += c == 'e' ? 'E' : c;
    }
  }
  return out;
}

}  // namespace

std::optional<float> ReadSingle(std::string_view text, std::string_view separator) {
  size_t pos = 0;
  size_t end = text.size();
  while (pos < end && IsBlank(text[pos])) ++pos;
  while (end > pos && IsBlank(text[end - 1])) --end;
  text = text.substr(0, end);

  // Rebuilt in the "C" form that from_chars reads.
  std::string plain;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') plain += '-';
    ++pos;
  }
  size_t digits = TakeDigits(text, pos, plain);
  if (!separator.empty() && text.substr(pos, separator.size()) == separator) {
    pos += separator.size();
    plain += '.';
    digits += TakeDigits(text, pos, plain);
  }
  if (digits == 0) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    plain += 'e';
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) plain += text[pos++];
    if (TakeDigits(text, pos, plain) == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;

  double value = 0.0;
  const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) return std::nullopt;
  const float single = static_cast<float>(value);
  if (!std::isfinite(single)) return std::nullopt;
  return single;
}

std::string SingleText(float value, std::string_view separator) {
  return GeneralText(value, 7, separator);
}

std::string DoubleText(double value, std::string_view separator) {
  return GeneralText(value, 15, separator);
}

std::string DecimalsText(double value, int minDecimals, int maxDecimals,
                         std::string_view separator) {
  if (!std::isfinite(value)) return "0";
  const double scale = std::pow(10.0, maxDecimals);
  const double scaled = std::round(std::fabs(value) * scale);
  if (!(scaled < 9.0e18)) return "0";
  const auto units = static_cast<long long>(scaled);
  const auto whole = static_cast<long long>(units / static_cast<long long>(scale));
  std::string decimals = std::to_string(units - whole * static_cast<long long>(scale));
  decimals.insert(0, static_cast<size_t>(maxDecimals) - decimals.size(), '0');
  while (static_cast<int>(decimals.size()) > minDecimals && decimals.back() == '0')
    decimals.pop_back();
  std::string text = (value < 0 && units != 0 ? "-" : "") + std::to_string(whole);
  if (!decimals.empty()) text += std::string(separator) + decimals;
  return text;
}

}  // namespace e14
