#include "ui/ucGeneral.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/UiFixture.h"

namespace e14 {
namespace {

using testing::UiTest;

int SelectedOption(const ucGeneral& page) {
  int selected = -1;
  for (size_t i = 0; i < page.Controls().optSType.size(); ++i) {
    if (page.Controls().optSType[i].Value) {
      EXPECT_EQ(selected, -1) << "two options selected";
      selected = static_cast<int>(i);
    }
  }
  return selected;
}

struct StoredCase {
  const char* name;
  int16_t inputMode, channel, porog, type, mode, range;
  // After opening the page.
  int16_t inputModeAfter, porogAfter, typeAfter, modeAfter;
  int listIndex, option, sliderValue;
};

TEST_F(UiTest, GeneralBringsStoredValuesIntoRangeOnOpening) {
  const StoredCase cases[] = {
      {"channel 20 shows AI5", 3, 20, 100, 0, 0, 1, 3, 100, 0, 0, 3 + 4, 0, -100},
      {"level above the limit", 0, 0, 9000, 0, 1, 0, 0, 8000, 0, 1, 0, 1, -8000},
      {"level below the limit", 1, 0, -12000, 1, 0, 0, 1, -8000, 1, 0, 1, 2, 8000},
      {"type 5 becomes 1", 2, 0, 0, 5, 0, 0, 2, 0, 1, 0, 2, 2, 0},
      {"mode -3 becomes 1", 3, 31, 0, 5, -3, 3, 3, 0, 1, 1, 3 + 15, 3, 0},
      {"negative mode becomes None", -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  WithDriver(true, [&](E14_140&) {
    for (const StoredCase& c : cases) {
      SCOPED_TRACE(c.name);
      DeviceInfoRecord& info = State().DeviceInfo;
      info.SynchroInputMode = c.inputMode;
      info.SynchroADChannel = c.channel;
      info.SynchroADPorog = c.porog;
      info.SynchroADType = c.type;
      info.SynchroADMode = c.mode;
      info.SynchroADRange = c.range;
      ucGeneral page;
      EXPECT_EQ(info.SynchroInputMode, c.inputModeAfter);
      EXPECT_EQ(info.SynchroADPorog, c.porogAfter);
      EXPECT_EQ(info.SynchroADType, c.typeAfter);
      EXPECT_EQ(info.SynchroADMode, c.modeAfter);
      EXPECT_EQ(info.SynchroADChannel, c.channel);  // shown modulo 16, kept until OK
      EXPECT_EQ(page.Controls().cboSynchro.ListIndex, c.listIndex);
      EXPECT_EQ(page.Controls().cboSRange.ListIndex, c.range);
      EXPECT_EQ(SelectedOption(page), c.option);
      EXPECT_EQ(page.Controls().slSLevel.Value, c.sliderValue);
    }
  });
}

TEST_F(UiTest, GeneralCommitsAStoredChannelAboveSixteenAsItsLowerTwin) {
  WithDriver(true, [](E14_140&) {
    State().DeviceInfo.SynchroInputMode = 3;
    State().DeviceInfo.SynchroADChannel = 20;
    ucGeneral page;
    EXPECT_EQ(page.Controls().cboSynchro.Text, "AI5");
    page.Page_SaveSetting();
    EXPECT_EQ(State().DeviceInfo.SynchroADChannel, 4);
  });
}

struct LevelCase {
  int32_t level;  // threshold in codes
  int range;
  const char* separator;
  const char* text;
};

TEST_F(UiTest, GeneralShowsTheLevelInVoltsWithTheDigitsItsSizeNeeds) {
  const LevelCase cases[] = {
      {4000, 0, ".", "5.0"},     {-2000, 0, ".", "-2.5"},    {400, 0, ".", "0.50"},
      {0, 0, ".", "0"},          {100, 0, ".", "0.125"},     {10, 0, ".", "0.0125"},
      {1, 0, ".", "0.00125"},    {8000, 3, ".", "0.1563"},   {-8000, 1, ".", "-2.5"},
      {4000, 0, ",", "5,0"},     {400, 0, ",", "0,50"},      {1234, 0, ".", "1.543"},
  };
  WithDriver(true, [&](E14_140&) {
    for (const LevelCase& c : cases) {
      SCOPED_TRACE(c.text);
      services->separator = c.separator;
      ucGeneral page;
      page.cboSynchro_Click(3);
      page.cboSRange_Click(c.range);
      page.slSLevel_Change(-c.level);
      EXPECT_EQ(page.LevelText(), c.text);
      EXPECT_EQ(page.Controls().txtSLevel.Text, c.text);
    }
  });
}

TEST_F(UiTest, GeneralFollowsTheSliderAndTheRangeAndSetsZero) {
  WithDriver(true, [](E14_140&) {
    ucGeneral page;
    page.cboSynchro_Click(4);
    page.cboSRange_Click(0);
    page.slSLevel_Scroll(-800);
    EXPECT_EQ(page.LevelText(), "1.00");  // exactly 1 V still takes the finer pattern
    page.cboSRange_Click(1);  // 3200 codes per volt
    EXPECT_EQ(page.LevelText(), "0.25");
    page.cmdCZero_Click();
    EXPECT_EQ(page.Controls().slSLevel.Value, 0);
    EXPECT_EQ(page.LevelText(), "0");
    State().DeviceInfo.SynchroADPorog = -3000;
    page.Page_SaveSetting();
    EXPECT_EQ(State().DeviceInfo.SynchroADPorog, 0);
  });
}

TEST_F(UiTest, GeneralCommitsTheAnalogSynchronisation) {
  WithDriver(true, [](E14_140&) {
    ucGeneral page;
    page.cboSynchro_Click(5);  // AI3
    page.cboSRange_Click(2);
    page.optSType_Click(3);    // Transition Down
    page.slSLevel_Change(-1234);
    const DeviceInfoRecord before = State().DeviceInfo;
    EXPECT_EQ(before.SynchroInputMode, 0);  // nothing committed before OK
    page.Page_SaveSetting();
    const DeviceInfoRecord& info = State().DeviceInfo;
    EXPECT_EQ(info.SynchroInputMode, 3);
    EXPECT_EQ(info.SynchroADChannel, 2);
    EXPECT_EQ(info.SynchroADPorog, 1234);
    EXPECT_EQ(info.SynchroADRange, 2);
    EXPECT_EQ(info.SynchroADType, 1);
    EXPECT_EQ(info.SynchroADMode, 1);
  });
}

TEST_F(UiTest, GeneralTtlModesLeaveTheAnalogValuesAlone) {
  WithDriver(true, [](E14_140&) {
    DeviceInfoRecord& info = State().DeviceInfo;
    info.SynchroInputMode = 3;
    info.SynchroADChannel = 7;
    info.SynchroADPorog = 500;
    info.SynchroADRange = 1;
    info.SynchroADType = 1;
    ucGeneral page;
    page.cboSynchro_Click(2);  // TTL Kadr
    page.Page_SaveSetting();
    EXPECT_EQ(info.SynchroInputMode, 2);
    EXPECT_EQ(info.SynchroADChannel, 7);
    EXPECT_EQ(info.SynchroADPorog, 500);
    EXPECT_EQ(info.SynchroADRange, 1);
    EXPECT_EQ(info.SynchroADType, 1);
    EXPECT_EQ(info.SynchroADMode, 0);
  });
}

TEST_F(UiTest, GeneralIgnoresEventsOutsideTheControlsOrOnDisabledOnes) {
  WithDriver(true, [](E14_140&) {
    ucGeneral page;  // "None": the analog controls are disabled
    page.slSLevel_Change(-4000);
    page.optSType_Click(2);
    page.cboSRange_Click(3);
    page.cmdCZero_Click();
    page.cboSynchro_Click(35);
    page.cboSynchro_Click(-1);
    EXPECT_EQ(page.Controls().slSLevel.Value, 0);
    EXPECT_EQ(SelectedOption(page), 0);
    EXPECT_EQ(page.Controls().cboSRange.ListIndex, 0);
    EXPECT_EQ(page.Controls().cboSynchro.ListIndex, 0);

    page.cboSynchro_Click(3);
    page.optSType_Click(4);
    page.cboSRange_Click(4);
    page.slSLevel_Change(-20000);  // the slider stops at its end
    EXPECT_EQ(SelectedOption(page), 0);
    EXPECT_EQ(page.Controls().cboSRange.ListIndex, 0);
    page.Page_SaveSetting();
    EXPECT_EQ(State().DeviceInfo.SynchroADPorog, 8000);
    EXPECT_EQ(State().DeviceInfo.SynchroADRange, 0);
  });
}

TEST_F(UiTest, GeneralShowsTheFirstRangeForAStoredRangeItDoesNotHave) {
  WithDriver(true, [](E14_140&) {
    State().DeviceInfo.SynchroInputMode = 3;
    State().DeviceInfo.SynchroADRange = 9;
    ucGeneral page;
    EXPECT_EQ(page.Controls().cboSRange.ListIndex, 0);
    page.Page_SaveSetting();
    EXPECT_EQ(State().DeviceInfo.SynchroADRange, 0);
  });
}

TEST_F(UiTest, GeneralLogoOpensTheMakersWebSite) {
  WithDriver(false, [](E14_140&) {
    ucGeneral page;
    page.imgLogo_Click();
  });
  EXPECT_EQ(services->urls, std::vector<std::string>{ucGeneral::kMakerWebAddress});
}

}  // namespace
}  // namespace e14
