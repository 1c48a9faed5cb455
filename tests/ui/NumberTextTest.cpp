#include "ui/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace e14 {
namespace {

struct ReadCase {
  const char* text;
  const char* separator;
  std::optional<float> value;
};

TEST(NumberText, ReadsOnlyNumbersInTheUsersFormat) {
  const ReadCase cases[] = {
      {"2.5", ".", 2.5f},       {" -5 ", ".", -5.0f},     {"+0.25", ".", 0.25f},
      {"2,5", ",", 2.5f},       {"5.", ".", 5.0f},        {".5", ".", 0.5f},
      {"1e3", ".", 1000.0f},    {"1E-2", ".", 0.01f},     {"10000", ".", 10000.0f},
      {"2.5", ",", std::nullopt},  // the other locale's separator
      {"2,5", ".", std::nullopt},  {"1,000.5", ".", std::nullopt},
      {"abc", ".", std::nullopt},  {"", ".", std::nullopt},
      {"   ", ".", std::nullopt},  {"-", ".", std::nullopt},
      {".", ".", std::nullopt},    {"1e", ".", std::nullopt},
      {"1.2.3", ".", std::nullopt}, {"--1", ".", std::nullopt},
      {"5 V", ".", std::nullopt},  {"0x10", ".", std::nullopt},
      {"inf", ".", std::nullopt},  {"nan", ".", std::nullopt},
      {"1e40", ".", std::nullopt},  // beyond a single
      {"1 000", ".", std::nullopt},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\" with \"" + c.separator + "\"");
    EXPECT_EQ(ReadSingle(c.text, c.separator), c.value);
  }
}

TEST(NumberText, ShowsSinglesAndDoublesWithoutTrailingZeros) {
  EXPECT_EQ(SingleText(0.02f, "."), "0.02");
  EXPECT_EQ(SingleText(100.0f, "."), "100");
  EXPECT_EQ(SingleText(200000.0f, "."), "200000");
  EXPECT_EQ(SingleText(0.05f, ","), "0,05");
  EXPECT_EQ(SingleText(-5.0f, "."), "-5");
  EXPECT_EQ(SingleText(1e-5f, "."), "1E-05");
  EXPECT_EQ(DoubleText(4.75, "."), "4.75");
  EXPECT_EQ(DoubleText(-0.25, ","), "-0,25");
  EXPECT_EQ(DoubleText(0.0, "."), "0");
  // What is shown reads back as the same number.
  EXPECT_EQ(ReadSingle(SingleText(0.075f, ","), ","), 0.075f);
}

struct DecimalsCase {
  double value;
  int minDecimals, maxDecimals;
  const char* separator;
  const char* text;
};

TEST(NumberText, FixedDecimalsKeepTheRequiredDigitsOnly) {
  const DecimalsCase cases[] = {
      {5.0, 1, 3, ".", "5.0"},        {-2.5, 1, 3, ".", "-2.5"},    {0.5, 2, 4, ".", "0.50"},
      {0.00125, 4, 6, ".", "0.00125"}, {1.23456, 1, 3, ".", "1.235"}, {0.15625, 2, 4, ".", "0.1563"},
      {-0.15625, 2, 4, ".", "-0.1563"}, {1.5, 1, 3, ",", "1,5"},     {12.0, 0, 2, ".", "12"},
      {-0.0000001, 1, 3, ".", "0.0"},
      {std::numeric_limits<double>::quiet_NaN(), 1, 3, ".", "0"},
      {std::numeric_limits<double>::infinity(), 1, 3, ".", "0"},
  };
  for (const DecimalsCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecimalsText(c.value, c.minDecimals, c.maxDecimals, c.separator), c.text);
  }
}

}  // namespace
}  // namespace e14
