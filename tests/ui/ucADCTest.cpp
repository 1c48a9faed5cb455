#include "ui/ucADC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/UiFixture.h"

namespace e14::testing {
namespace {

using Strings = std::vector<std::string>;

// A new kind keeps the input's position within its group of 16, and the
// source list picks a position in that group; the page's copy changes, the
// driver's map only on OK.
TEST_F(UiTest, AdcChoosingAKindKeepsThePosition) {
  struct Case {
    ChannelInput start;
    int kind;
    ChannelInput after;
    const char* loaded;  // the line shown on opening
    const char* line;
    const char* source;  // the source shown; none for calibration
    int inputOfSource7;  // after choosing the 7th source
  };
  const Case cases[] = {
      {{2, false}, ucADC::kSingleY, {18, true}, "AI7\tXY3", "AI7\tY3", "Y3", 22},
      {{4, true}, ucADC::kCalibration, {20, false}, "AI7\tX5", "AI7\tCalibration 0", "", 20},
      {{20, false}, ucADC::kDifferential, {4, false}, "AI7\tCalibration 0", "AI7\tXY5", "XY5", 6},
      {{31, true}, ucADC::kSingleX, {15, true}, "AI7\tY16", "AI7\tX16", "X16", 6},
      {{0, false}, ucADC::kDifferential, {0, false}, "AI7\tXY1", "AI7\tXY1", "XY1", 6},
  };
  WithDriver([&](E14_140&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.line);
      State().DeviceInfo.ChannelMap[6] = c.start;
      ucADC page;
      const auto& shown = page.Controls();
      EXPECT_EQ(shown.lstADCh.Items[6], c.loaded);
      page.lstADCh_Click(6), page.optACh_Click(c.kind);
      const ChannelInput& entry = page.WorkChannelMap()[6];
      EXPECT_EQ((std::vector<int>{entry.Input, entry.SingleEnded, shown.cboADChSrc.Enabled}),
                (std::vector<int>{c.after.Input, c.after.SingleEnded, c.kind != ucADC::kCalibration}));
      EXPECT_EQ((Strings{shown.lstADCh.Items[6], shown.cboADChSrc.Text}), (Strings{c.line, c.source}));
      EXPECT_EQ(State().DeviceInfo.ChannelMap[6].Input, c.start.Input);
      page.cboADChSrc_Click(6);
      EXPECT_EQ(page.WorkChannelMap()[6].Input, c.inputOfSource7);
    }
  });
}

// The presets and Reset act on the page's copy and keep the selected line;
// events beyond the controls are ignored; OK commits the copy and rebuilds
// the channel names and codes.
TEST_F(UiTest, AdcPresetsEditTheCopyAndOkCommitsIt) {
  WithDriver([&](E14_140&) {
    State().DeviceInfo.ChannelMap[5] = {21, true};
    ucADC page;
    const Strings original = page.Controls().lstADCh.Items;  // a new module: 16 pairs, then calibration
    EXPECT_EQ((Strings{original[0], original[16]}), (Strings{"AI1\tXY1", "AI17\tCalibration 0"}));
    const auto& c = page.Controls();
    page.lstADCh_Click(20);
    page.cmdChSet_Click(ucADC::kAllSingle);
    EXPECT_EQ((Strings{c.frChInput.Caption, c.lstADCh.Items[0], c.lstADCh.Items[20]}),
              (Strings{"&AI21:", "AI1\tX1", "AI21\tY5"}));
    EXPECT_TRUE(c.optACh[ucADC::kSingleY].Value);
    for (int index : {32, -2}) page.lstADCh_Click(index);
    for (int index : {4, -1}) page.optACh_Click(index);
    for (int index : {16, -1}) page.cboADChSrc_Click(index);
    page.cmdChSet_Click(3);
    EXPECT_EQ(c.lstADCh.Items[20], "AI21\tY5");
    page.cmdChSet_Click(ucADC::kAllDifferential);
    EXPECT_EQ(c.lstADCh.Items[20], "AI21\tCalibration 0");
    page.cmdChSet_Click(ucADC::kReset);
    EXPECT_EQ(c.lstADCh.Items, original);
    EXPECT_EQ(c.lstADCh.ListIndex, 20);
    EXPECT_FALSE(State().DeviceInfo.ChannelMap[0].SingleEnded);

    const int loads = module->tableLoads;
    page.lstADCh_Click(16);
    page.optACh_Click(ucADC::kSingleY);
    page.Page_SaveSetting();
    EXPECT_EQ(module->tableLoads, loads + 1);
    EXPECT_EQ(State().DeviceInfo.ChannelMap[5].Input, 21);
    EXPECT_EQ((Strings{State().AdcInfo.ChannelNames[16], State().AdcInfo.ChannelNames[0]}), (Strings{"Y1", "XY1"}));
    EXPECT_EQ(State().DeviceInfo.ChannelCodes[16], 16 + 32);
  });
}

}  // namespace
}  // namespace e14::testing
