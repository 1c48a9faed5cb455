#include "host/Arguments.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace e14::host {

namespace {

long ParseInteger(const std::string& text, int base, const std::string& what) {
  size_t used = 0;
  long value = 0;
  try {
    value = std::stol(text, &used, base);
  } catch (const std::exception&) {
    throw std::invalid_argument(what + " '" + text + "' is not a whole number");
  }
  if (used != text.size()) throw std::invalid_argument(what + " '" + text + "' is not a whole number");
  return value;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
  if (parts.empty() || text.back() == ',') throw std::invalid_argument("empty entry in '" + text + "'");
  return parts;
}

}  // namespace

std::vector<int16_t> ParseChannels(const std::string& text) {
  std::vector<int16_t> table;
  for (const std::string& part : Split(text)) {
    const auto dash = part.find('-', 1);
    const long first = ParseInteger(part.substr(0, dash), 10, "channel");
    const long last = dash == std::string::npos ? first : ParseInteger(part.substr(dash + 1), 10, "channel");
    for (long c : {first, last})
      if (c < 0 || c > 31) throw std::invalid_argument("unknown channel " + std::to_string(c) + " (0..31)");
    if (last < first) throw std::invalid_argument("empty channel range '" + part + "'");
    for (long c = first; c <= last; ++c) table.push_back(static_cast<int16_t>(c));
    if (table.size() > 128) throw std::invalid_argument("more than 128 channel table entries");
  }
  return table;
}

std::vector<int16_t> ParseRanges(const std::string& text, size_t channels) {
  std::vector<int16_t> ranges;
  for (const std::string& part : Split(text)) {
    const long r = ParseInteger(part, 10, "range");
    if (r < 0 || r > 3) throw std::invalid_argument("range " + part + " is out of 0..3");
    ranges.push_back(static_cast<int16_t>(r));
  }
  if (ranges.size() == 1) ranges.resize(channels, ranges[0]);
  if (ranges.size() != channels)
    throw std::invalid_argument("give one range, or one per channel (" + std::to_string(channels) + ")");
  return ranges;
}

double ParseNumber(const std::string& text, const std::string& what) {
  size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    throw std::invalid_argument(what + " '" + text + "' is not a number");
  }
  if (used != text.size() || !std::isfinite(value))
    throw std::invalid_argument(what + " '" + text + "' is not a number");
  return value;
}

double ParsePositive(const std::string& text, const std::string& what) {
  const double value = ParseNumber(text, what);
  if (value <= 0) throw std::invalid_argument(what + " must be positive, not " + text);
  return value;
}

int32_t ParseWord(const std::string& text) {
  long value = 0;
  if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
    value = ParseInteger(text.substr(2), 16, "word");
  } else if (text.rfind("0b", 0) == 0) {
    value = ParseInteger(text.substr(2), 2, "word");
  } else {
    value = ParseInteger(text, 10, "word");
  }
  if (value < 0 || value > 0xFFFF) throw std::invalid_argument("word " + text + " is out of 0..0xFFFF");
  return static_cast<int32_t>(value);
}

}  // namespace e14::host
