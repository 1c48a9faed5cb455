// The text helpers over arbitrary input: identification bytes to text, and
// rounding and number text over arbitrary doubles (every bit pattern, so NaN,
// infinities and subnormals too) and any count of decimals.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driver/mTypes3.h"
#include "fuzz/Check.h"

namespace {

bool Collected(uint8_t byte) { return byte >= 32 && byte <= 127; }

// Identification text is the first run of bytes 32..127 after any others.
void CheckBytesToText(const uint8_t* bytes, size_t count) {
  size_t i = 0;
  while (i < count && !Collected(bytes[i])) ++i;
  std::string run;
  while (i < count && Collected(bytes[i])) run.push_back(static_cast<char>(bytes[i++]));
  E14_FUZZ_CHECK(e14::BytesToText(bytes, count) == run);
}

// Number text is "-"? digits (separator digits ending in a nonzero digit)?,
// never "-0", and parses back within half a unit of its last place (plus the
// rounding of the scaling and of the parse).
void CheckFormat(double value, int decimals, const std::string& separator) {
  const std::string text = e14::FormatNumber(value, decimals, separator);
  if (!std::isfinite(value)) return;
  const int places = std::clamp(decimals, 0, 15);
  const size_t digitsAt = text.starts_with('-') ? 1 : 0;
  const size_t at = text.find(separator);
  const std::string whole = text.substr(digitsAt, at == std::string::npos ? std::string::npos : at - digitsAt);
  const std::string fraction = at == std::string::npos ? "" : text.substr(at + separator.size());
  const auto digits = [](const std::string& s) { return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }); };
  E14_FUZZ_CHECK(!whole.empty() && digits(whole) && digits(fraction));
  E14_FUZZ_CHECK(at == std::string::npos ||
                 (!fraction.empty() && static_cast<int>(fraction.size()) <= places && fraction.back() != '0'));
  const double parsed = std::strtod((text.substr(0, at) + "." + fraction).c_str(), nullptr);
  E14_FUZZ_CHECK(!(parsed == 0.0 && digitsAt == 1));
  const double tolerance = 0.5 * std::pow(10.0, -places) * (1.0 + 1e-9) + std::fabs(value) * 0x1p-50;
  E14_FUZZ_CHECK(std::fabs(parsed - value) <= tolerance);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckBytesToText(data, size);
  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) {
    const int decimals = input.ConsumeIntegralInRange(-4, 24);
    const std::string separator = input.ConsumeBool() ? "." : ",";
    const double value = input.ConsumeFloatingPoint<double>();
    const double raw = std::bit_cast<double>(input.ConsumeIntegral<uint64_t>());
    for (const double v : {value, raw}) {
      // Half to even, as nearbyint rounds in the default rounding mode.
      E14_FUZZ_CHECK(std::isnan(v) ? std::isnan(e14::RoundHalfEven(v)) : e14::RoundHalfEven(v) == std::nearbyint(v));
      CheckFormat(v, decimals, separator);
    }
  }
  return 0;
}
