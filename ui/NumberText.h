// Numbers as the settings pages show and read them, with the user's decimal
// separator (passed in, so the pages take it from their services).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace e14 {

// Reads typed text as a single-precision number: blanks around, an optional
// sign, digits with at most one decimal separator (the given one; any other
// is not accepted), an optional exponent. No value (nullopt) for anything
// else, including text that overflows a single.
std::optional<float> ReadSingle(std::string_view text, std::string_view separator);

// A single as text with up to 7 significant digits, a double with up to 15;
// no trailing zeros; an exponent ("1E-05") only where the digits would not
// fit otherwise.
std::string SingleText(float value, std::string_view separator);
std::string DoubleText(double value, std::string_view separator);

// Fixed-point text with at least one integer digit and between minDecimals
// and maxDecimals decimals (optional ones dropped when zero), rounded half
// away from zero. Not-finite values give "0".
std::string DecimalsText(double value, int minDecimals, int maxDecimals,
                         std::string_view separator);

}  // namespace e14
