#include "ui/dlgDevEnum.h"

#include <gtest/gtest.h>

#include "driver/DriverState.h"
#include "tests/support/FreshThread.h"

namespace e14 {
namespace {

// Entries the user could not tell apart (same model and serial) are offered
// to nobody: the choice is cancelled.
TEST(dlgDevEnum, OffersTheListOnlyWhenEveryEntryCanBeToldApart) {
  struct Case {
    const char* what;
    std::vector<DeviceListEntry> list;
    int16_t chosen;  // the view picks the second entry
  };
  const Case cases[] = {
      {"one module", {{"USB", "E-140", "A1", "USB1", 0}}, -1},
      {"two modules", {{"USB", "E-140", "A1", "USB1", 0}, {"USB", "E-140", "B2", "USB4", 3}}, 3},
      {"one serial, two models", {{"USB", "E-140", "A1", "USB1", 0}, {"USB", "E-440", "A1", "USB3", 2}}, 2},
      {"one serial, one model",
       {{"USB", "E-140", "B2", "USB2", 1}, {"USB", "E-140", "A1", "USB3", 2}, {"USB", "E-140", "A1", "USB5", 4}},
       -1},
  };
  int shown = 0;
  const dlgDevEnum::View pickSecond = [&shown](dlgDevEnum& dialog) {
    ++shown;
    dialog.SelectItem(1);
    dialog.OkClicked();
  };
  for (const Case& c : cases) {
    testing::InFreshThread([&c, &pickSecond] {
      State().DeviceList = c.list;
      dlgDevEnum dialog(pickSecond);
      EXPECT_EQ(dialog.SelectDevice(), c.chosen) << c.what;
    });
  }
  EXPECT_EQ(shown, 2);
}

}  // namespace
}  // namespace e14
