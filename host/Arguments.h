// Parsing of the tool's list and number arguments; each throws
// std::invalid_argument with a message naming the problem.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e14::host {

// "0,1,5-7" -> 0 1 5 6 7; every entry within 0..31, at most 128 entries.
std::vector<int16_t> ParseChannels(const std::string& text);
// One range for all channels ("2") or one per channel ("0,0,3"); each 0..3.
std::vector<int16_t> ParseRanges(const std::string& text, size_t channels);
// A positive finite number.
double ParsePositive(const std::string& text, const std::string& what);
// A finite number.
double ParseNumber(const std::string& text, const std::string& what);
// A 16-bit word: decimal, 0x hex or 0b binary.
int32_t ParseWord(const std::string& text);

}  // namespace e14::host
