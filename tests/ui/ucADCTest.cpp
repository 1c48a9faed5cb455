#include "ui/ucADC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/UiFixture.h"

namespace e14 {
namespace {

using testing::UiTest;
using Strings = std::vector<std::string>;

TEST_F(UiTest, AdcLinesShowTheKindAndPositionOfEachEntry) {
  const std::pair<ChannelInput, const char*> cases[] = {
      {{20, true}, "AI3\tY5"},  {{4, true}, "AI3\tX5"},   {{15, false}, "AI3\tXY16"},
      {{16, false}, "AI3\tCalibration 0"}, {{31, true}, "AI3\tY16"},
  };
  WithDriver(true, [&](E14_140&) {
    const Strings fresh = ucADC().Controls().lstADCh.Items;  // a new module: 16 pairs, then calibration
    ASSERT_EQ(fresh.size(), 32u);
    EXPECT_EQ((Strings{fresh[0], fresh[15], fresh[16], fresh[31]}),
              (Strings{"AI1\tXY1", "AI16\tXY16", "AI17\tCalibration 0", "AI32\tCalibration 0"}));
    for (const auto& [entry, line] : cases) {
      SCOPED_TRACE(line);
      State().DeviceInfo.ChannelMap[2] = entry;
      ucADC page;
      EXPECT_EQ(page.Controls().lstADCh.Items[2], line);
      page.lstADCh_Click(2);
      EXPECT_EQ(page.Controls().frChInput.Caption, "&AI3:");
      EXPECT_TRUE(page.Controls().optACh[ucADC::KindOf(entry)].Value);
    }
  });
}

// A new kind keeps the input's position within its group of 16, and the
// source list picks a position in that group; the page's copy changes, the
// driver's map only on OK.
TEST_F(UiTest, AdcChoosingAKindKeepsThePosition) {
  struct Case {
    ChannelInput start;
    int kind;
    ChannelInput after;
    const char* line;
    const char* source;  // the source shown; none for calibration
    int inputOfSource7;  // after choosing the 7th source
  };
  const Case cases[] = {
      {{2, false}, ucADC::kSingleY, {18, true}, "AI7\tY3", "Y3", 22},
      {{4, true}, ucADC::kCalibration, {20, false}, "AI7\tCalibration 0", "", 20},
      {{20, false}, ucADC::kDifferential, {4, false}, "AI7\tXY5", "XY5", 6},
      {{31, true}, ucADC::kSingleX, {15, true}, "AI7\tX16", "X16", 6},
      {{0, false}, ucADC::kDifferential, {0, false}, "AI7\tXY1", "XY1", 6},
  };
  WithDriver(true, [&](E14_140&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.line);
      State().DeviceInfo.ChannelMap[6] = c.start;
      ucADC page;
      page.lstADCh_Click(6);
      page.optACh_Click(c.kind);
      const ChannelInput& entry = page.WorkChannelMap()[6];
      EXPECT_EQ(entry.Input, c.after.Input);
      EXPECT_EQ(entry.SingleEnded, c.after.SingleEnded);
      EXPECT_EQ(page.Controls().lstADCh.Items[6], c.line);
      EXPECT_EQ(page.Controls().cboADChSrc.Text, c.source);
      EXPECT_EQ(page.Controls().cboADChSrc.Enabled, c.kind != ucADC::kCalibration);
      EXPECT_EQ(State().DeviceInfo.ChannelMap[6].Input, c.start.Input);
      page.cboADChSrc_Click(6);
      EXPECT_EQ(page.WorkChannelMap()[6].Input, c.inputOfSource7);
    }
  });
}

// The presets and Reset act on the page's copy and keep the selected line;
// OK commits the copy and rebuilds the channel names and codes.
TEST_F(UiTest, AdcPresetsEditTheCopyAndOkCommitsIt) {
  WithDriver(true, [&](E14_140&) {
    State().DeviceInfo.ChannelMap[5] = {21, true};
    const auto stored = State().DeviceInfo.ChannelMap;
    ucADC page;
    const Strings original = page.Controls().lstADCh.Items;
    page.lstADCh_Click(20);
    page.cmdChSet_Click(ucADC::kAllSingle);
    EXPECT_EQ(page.Controls().lstADCh.ListIndex, 20);
    EXPECT_EQ(page.Controls().frChInput.Caption, "&AI21:");
    EXPECT_TRUE(page.Controls().optACh[ucADC::kSingleY].Value);
    EXPECT_EQ(page.Controls().lstADCh.Items[0], "AI1\tX1");
    EXPECT_EQ(page.Controls().lstADCh.Items[20], "AI21\tY5");
    page.cmdChSet_Click(ucADC::kAllDifferential);
    EXPECT_EQ(page.Controls().lstADCh.Items[16], "AI17\tCalibration 0");
    EXPECT_FALSE(page.WorkChannelMap()[20].SingleEnded);
    page.cmdChSet_Click(ucADC::kReset);
    EXPECT_EQ(page.Controls().lstADCh.Items, original);
    EXPECT_EQ(page.Controls().lstADCh.ListIndex, 20);
    EXPECT_EQ(State().DeviceInfo.ChannelMap[20].Input, stored[20].Input);

    const int loads = module->tableLoads;
    page.lstADCh_Click(16);
    page.optACh_Click(ucADC::kSingleY);
    page.lstADCh_Click(1);
    page.optACh_Click(ucADC::kSingleX);
    page.Page_SaveSetting();
    EXPECT_EQ(module->tableLoads, loads + 1);
    EXPECT_EQ(State().DeviceInfo.ChannelMap[5].Input, 21);
    EXPECT_EQ(State().AdcInfo.ChannelNames[16], "Y1");
    EXPECT_EQ(State().DeviceInfo.ChannelCodes[16], 16 + 32);
    EXPECT_EQ(State().AdcInfo.ChannelNames[1], "X2");
    EXPECT_EQ(State().AdcInfo.ChannelNames[0], "XY1");
  });
}

TEST_F(UiTest, AdcIgnoresEventsOutsideItsControls) {
  WithDriver(true, [](E14_140&) {
    ucADC page;
    page.lstADCh_Click(3);
    const Strings before = page.Controls().lstADCh.Items;
    for (int index : {32, -2}) page.lstADCh_Click(index);
    for (int index : {4, -1}) page.optACh_Click(index);
    for (int index : {16, -1}) page.cboADChSrc_Click(index);
    page.cmdChSet_Click(3);
    EXPECT_EQ(page.Controls().lstADCh.ListIndex, 3);
    EXPECT_EQ(page.Controls().lstADCh.Items, before);
  });
}

}  // namespace
}  // namespace e14
