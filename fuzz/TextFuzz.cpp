// The text helpers over arbitrary input: identification bytes to text, and
// rounding and number text over arbitrary doubles (every bit pattern, so NaN,
// infinities and subnormals too) and any count of decimals.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/mTypes3.h"
#include "fuzz/Check.h"

namespace {

using e14::BytesToText;
using e14::FormatNumber;
using e14::RoundHalfEven;

bool Collected(uint8_t byte) { return byte >= 32 && byte <= 127; }

// The first run of collected bytes after any leading others.
std::string FirstRun(const uint8_t* bytes, size_t count) {
  size_t i = 0;
  while (i < count && !Collected(bytes[i])) ++i;
  std::string run;
  while (i < count && Collected(bytes[i])) run.push_back(static_cast<char>(bytes[i++]));
  return run;
}

void CheckBytesToText(const uint8_t* bytes, size_t count) {
  const std::string text = BytesToText(bytes, count);
  E14_FUZZ_CHECK(text.size() <= count);
  E14_FUZZ_CHECK(std::all_of(text.begin(), text.end(),
                             [](char c) { return Collected(static_cast<uint8_t>(c)); }));
  E14_FUZZ_CHECK(text == FirstRun(bytes, count));
}

void CheckRounding(double value) {
  const double rounded = RoundHalfEven(value);
  // nearbyint rounds half to even in the default rounding mode.
  if (std::isnan(value)) {
    E14_FUZZ_CHECK(std::isnan(rounded));
  } else {
    E14_FUZZ_CHECK(rounded == std::nearbyint(value));
  }
}

// "-"? digits (separator digits ending in a nonzero digit)?
bool WellFormed(const std::string& text, const std::string& separator, int decimals) {
  size_t i = text.starts_with('-') ? 1 : 0;
  const size_t wholeStart = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == wholeStart) return false;
  if (i == text.size()) return true;
  if (text.compare(i, separator.size(), separator) != 0) return false;
  const std::string digits = text.substr(i + separator.size());
  return !digits.empty() && static_cast<int>(digits.size()) <= decimals && digits.back() != '0' &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

void CheckFormat(double value, int decimals, const std::string& separator) {
  const std::string text = FormatNumber(value, decimals, separator);
  E14_FUZZ_CHECK(!text.empty());
  if (!std::isfinite(value)) return;
  const int places = std::clamp(decimals, 0, 15);
  E14_FUZZ_CHECK(WellFormed(text, separator, places));
  std::string plain = text;
  if (const size_t at = plain.find(separator); at != std::string::npos) plain.replace(at, separator.size(), ".");
  const double parsed = std::strtod(plain.c_str(), nullptr);
  E14_FUZZ_CHECK(!(parsed == 0.0 && text.starts_with('-')));
  // Half a unit of the last place, and the rounding of the scaling and of the parse.
  const double tolerance = 0.5 * std::pow(10.0, -places) * (1.0 + 1e-9) + std::fabs(value) * 0x1p-50;
  E14_FUZZ_CHECK(std::fabs(parsed - value) <= tolerance);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  E14_FUZZ_CHECK(std::fegetround() == FE_TONEAREST);
  CheckBytesToText(data, size);
  E14_FUZZ_CHECK(BytesToText(nullptr, size).empty());

  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) {
    const int decimals = input.ConsumeIntegralInRange(-4, 24);
    const std::string separator = input.ConsumeBool() ? "." : ",";
    const double value = input.ConsumeFloatingPoint<double>();
    const double raw = std::bit_cast<double>(input.ConsumeIntegral<uint64_t>());
    for (const double v : {value, raw}) {
      CheckRounding(v);
      CheckFormat(v, decimals, separator);
    }
  }
  return 0;
}
