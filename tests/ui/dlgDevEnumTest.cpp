#include "ui/dlgDevEnum.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver/DriverState.h"
#include "tests/support/FreshThread.h"

namespace e14::testing {
namespace {

// The list is offered only when several modules answer and every entry can
// be told apart: a module listed twice (same model and serial, wherever it
// stands in the list) cancels the choice, as does the user.
TEST(dlgDevEnum, OffersTheListOnlyWhenEveryEntryCanBeToldApart) {
  const DeviceListEntry a1{"USB", "E-140", "A1", "USB1", 1}, b2{"USB", "E-140", "B2", "USB2", 2},
      a1OtherModel{"USB", "E-440", "A1", "USB3", 3}, a1Again{"USB", "E-140", "A1", "USB4", 4};
  const std::pair<std::vector<DeviceListEntry>, int16_t> cases[] = {
      {{a1}, -1},          {{a1, b2}, 2},          {{a1, a1OtherModel}, 3},   {{b2, a1, a1Again}, -1},
      {{a1, b2, a1Again}, -1}, {{a1Again, b2, a1OtherModel}, 2}};
  int shown = 0;
  for (const auto& [list, chosen] : cases) {
    testing::InFreshThread([&, list = list, chosen = chosen] {
      State().DeviceList = list;
      dlgDevEnum dialog([&shown](dlgDevEnum& view) {
        ++shown;
        view.SelectItem(1), view.OkClicked();  // the view picks the second entry
      });
      EXPECT_EQ(dialog.SelectDevice(), chosen) << list.size() << " entries";
    });
  }
  EXPECT_EQ(shown, 3);
}

}  // namespace
}  // namespace e14::testing
