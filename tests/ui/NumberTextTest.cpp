#include "ui/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace e14 {
namespace {

// Reading typed numbers and the texts the pages show are their tests' part:
// here, the texts of numbers no page shows.
TEST(NumberText, NumbersNoPageShows) {
  EXPECT_EQ(SingleText(1e-5f, "."), "1E-05");
  for (double value : {double{NAN}, double{INFINITY}, 1e19}) EXPECT_EQ(DecimalsText(value, 1, 3, "."), "0") << value;
  EXPECT_EQ(DecimalsText(-0.0000001, 1, 3, "."), "0.0");
}

}  // namespace
}  // namespace e14
