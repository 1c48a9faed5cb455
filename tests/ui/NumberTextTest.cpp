#include "ui/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace e14 {
namespace {

TEST(NumberText, ReadsOnlyNumbersInTheUsersFormat) {
  struct Case {
    const char* text;
    const char* separator;
    std::optional<float> value;
  };
  const Case cases[] = {
      {"2.5", ".", 2.5f},   {" -5 ", ".", -5.0f}, {"+0.25", ".", 0.25f}, {"2,5", ",", 2.5f},  {"5.", ".", 5.0f},
      {".5", ".", 0.5f},    {"1e3", ".", 1e3f},   {"1E-2", ".", 0.01f},  {"2.5", ",", {}},    {"2,5", ".", {}},
      {"1,000.5", ".", {}}, {"abc", ".", {}},     {"", ".", {}},         {"   ", ".", {}},   {"-", ".", {}},
      {".", ".", {}},       {"1e", ".", {}},      {"1.2.3", ".", {}},    {"--1", ".", {}},  {"5 V", ".", {}},
      {"0x10", ".", {}},    {"inf", ".", {}},     {"nan", ".", {}},      {"1 000", ".", {}},
      {"1e40", ".", {}},  // beyond a single
  };
  for (const Case& c : cases) EXPECT_EQ(ReadSingle(c.text, c.separator), c.value) << c.text << " with " << c.separator;
}

TEST(NumberText, ShowsNumbersWithoutTrailingZeros) {
  EXPECT_EQ(SingleText(0.02f, "."), "0.02");
  EXPECT_EQ(SingleText(200000.0f, "."), "200000");
  EXPECT_EQ(SingleText(-0.05f, ","), "-0,05");
  EXPECT_EQ(SingleText(1e-5f, "."), "1E-05");
  EXPECT_EQ(DoubleText(4.75, ","), "4,75");
  EXPECT_EQ(ReadSingle(SingleText(0.075f, ","), ","), 0.075f);  // what is shown reads back
}

TEST(NumberText, FixedDecimalsKeepTheRequiredDigitsOnly) {
  struct Case {
    double value;
    int minDecimals, maxDecimals;
    const char* text;
  };
  const Case cases[] = {
      {5.0, 1, 3, "5.0"},        {-2.5, 1, 3, "-2.5"},        {0.5, 2, 4, "0.50"},         {0.00125, 4, 6, "0.00125"},
      {1.23456, 1, 3, "1.235"},  {-0.15625, 2, 4, "-0.1563"}, {12.0, 0, 2, "12"},          {-0.0000001, 1, 3, "0.0"},
      {NAN, 1, 3, "0"},          {INFINITY, 1, 3, "0"},       {1e19, 1, 3, "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecimalsText(c.value, c.minDecimals, c.maxDecimals, "."), c.text) << c.value;
  EXPECT_EQ(DecimalsText(1.5, 1, 3, ","), "1,5");
}

}  // namespace
}  // namespace e14
