#include "ui/ucGeneral.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "tests/ui/UiFixture.h"
#include "ui/NumberText.h"

namespace e14::testing {
namespace {

// Reading typed numbers and the texts the pages show are their tests' part:
// here, the texts of numbers no page shows.
TEST(NumberText, NumbersNoPageShows) {
  EXPECT_EQ(SingleText(1e-5f, "."), "1E-05");
  for (double value : {double{NAN}, double{INFINITY}, 1e19}) EXPECT_EQ(DecimalsText(value, 1, 3, "."), "0") << value;
  EXPECT_EQ(DecimalsText(-0.0000001, 1, 3, "."), "0.0");
}

// The option selected, or -1 unless exactly one is.
int SelectedOption(const ucGeneral& page) {
  int selected = -1, count = 0;
  for (int i = 0; i < 4; ++i)
    if (page.Controls().optSType[i].Value) selected = i, ++count;
  return count == 1 ? selected : -1;
}

TEST_F(UiTest, GeneralBringsStoredValuesIntoRangeOnOpening) {
  services->separator = ",";
  struct Case {
    const char* name;
    int16_t inputMode, channel, porog, type, mode, range;
    int16_t inputModeAfter, porogAfter, typeAfter, modeAfter;  // in the driver state
    int listIndex, rangeIndex, option, sliderValue;            // shown
    const char* level;  // volts of the chosen range, with the digits their size needs
  };
  const Case cases[] = {
      {"channel 20 shows AI5", 3, 20, 100, 0, 0, 1, 3, 100, 0, 0, 3 + 4, 1, 0, -100, "0,03125"},
      {"level above the limit", 0, 0, 9000, 0, 1, 0, 0, 8000, 0, 1, 0, 0, 1, -8000, "10,0"},
      {"level below the limit", 1, 0, -12000, 1, 0, 0, 1, -8000, 1, 0, 1, 0, 2, 8000, "-10,0"},
      {"type 5 becomes 1", 2, 0, 0, 5, 0, 0, 2, 0, 1, 0, 2, 0, 2, 0, "0"},
      {"mode -3 becomes 1", 3, 31, 8000, 5, -3, 3, 3, 8000, 1, 1, 3 + 15, 3, 3, -8000, "0,1563"},
      {"negative mode becomes None", -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "0"},
      {"a range the module lacks shows the first", 3, 0, 1, 0, 0, 9, 3, 1, 0, 0, 3, 0, 0, -1, "0,00125"},
  };
  WithDriver([&](E14_140&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      DeviceInfoRecord& info = State().DeviceInfo;
      info.SynchroInputMode = c.inputMode, info.SynchroADChannel = c.channel, info.SynchroADPorog = c.porog;
      info.SynchroADType = c.type, info.SynchroADMode = c.mode, info.SynchroADRange = c.range;
      ucGeneral page;
      EXPECT_EQ((std::vector<int>{info.SynchroInputMode, info.SynchroADPorog, info.SynchroADType, info.SynchroADMode}),
                (std::vector<int>{c.inputModeAfter, c.porogAfter, c.typeAfter, c.modeAfter}));
      EXPECT_EQ(info.SynchroADChannel, c.channel);  // kept until OK
      const auto& shown = page.Controls();
      EXPECT_EQ((std::vector<int>{shown.cboSynchro.ListIndex, shown.cboSRange.ListIndex, SelectedOption(page),
                                  shown.slSLevel.Value}),
                (std::vector<int>{c.listIndex, c.rangeIndex, c.option, c.sliderValue}));
      EXPECT_EQ(page.Controls().txtSLevel.Text, c.level);
    }
  });
}

// What OK stores for the choices made on the page. Stored before: analog on
// channel 20 (shown as AI5), below 500 codes in range 1.
TEST_F(UiTest, GeneralCommitsTheSynchronisationChosen) {
  struct Case {
    const char* what;
    std::function<void(ucGeneral&)> edit;
    std::vector<int> stored;  // input mode, channel, threshold, range, type, mode
    const char* level;
  };
  const Case cases[] = {
      {"nothing changed: the channel as its lower twin", [](ucGeneral&) {}, {3, 4, 500, 1, 0, 1}, "0.1563"},
      {"analog on AI3, Transition Down",
       [](ucGeneral& p) { p.cboSynchro_Click(5), p.cboSRange_Click(2), p.optSType_Click(3), p.slSLevel_Change(-1234); },
       {3, 2, 1234, 2, 1, 1}, "0.09641"},
      {"TTL keeps the analog values", [](ucGeneral& p) { p.cboSynchro_Click(2); }, {2, 20, 500, 1, 0, 1}, "0.1563"},
      {"Set 0", [](ucGeneral& p) { p.cmdCZero_Click(); }, {3, 4, 0, 1, 0, 1}, "0"},
      {"a new range shows the level in it", [](ucGeneral& p) { p.slSLevel_Scroll(-800), p.cboSRange_Click(0); },
       {3, 4, 800, 0, 0, 1}, "1.00"},
      {"the slider stops at its end", [](ucGeneral& p) { p.slSLevel_Change(-20000); }, {3, 4, 8000, 1, 0, 1}, "2.5"},
      {"no analog edits while off, no items beyond the lists",
       [](ucGeneral& p) {
         p.cboSynchro_Click(0), p.slSLevel_Change(-4000), p.optSType_Click(2), p.cboSRange_Click(3), p.cmdCZero_Click();
         for (int index : {35, -1, 3}) p.cboSynchro_Click(index);
         p.optSType_Click(4), p.cboSRange_Click(4);
       },
       {3, 0, 500, 1, 0, 1}, "0.1563"},
  };
  WithDriver([&](E14_140&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      DeviceInfoRecord& info = State().DeviceInfo;
      info.SynchroInputMode = 3, info.SynchroADChannel = 20, info.SynchroADPorog = 500;
      info.SynchroADRange = 1, info.SynchroADType = 0, info.SynchroADMode = 1;
      ucGeneral page;
      c.edit(page);
      EXPECT_EQ(info.SynchroInputMode, 3);  // nothing before OK
      page.Page_SaveSetting();
      EXPECT_EQ((std::vector<int>{info.SynchroInputMode, info.SynchroADChannel, info.SynchroADPorog, info.SynchroADRange,
                                  info.SynchroADType, info.SynchroADMode}),
                c.stored);
      EXPECT_EQ(page.LevelText(), c.level);
    }
  });
}

}  // namespace
}  // namespace e14::testing
