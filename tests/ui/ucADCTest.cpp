#include "ui/ucADC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/UiFixture.h"

namespace e14 {
namespace {

using testing::UiTest;

std::vector<std::string> Numbered(const std::string& prefix) {
  std::vector<std::string> items;
  for (int i = 1; i <= 16; ++i) items.push_back(prefix + std::to_string(i));
  return items;
}

TEST_F(UiTest, AdcShowsTheFreshMapAsPairsAndCalibration) {
  WithDriver(true, [](E14_140&) {
    ucADC page;
    const auto& lines = page.Controls().lstADCh.Items;
    ASSERT_EQ(lines.size(), 32u);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(lines[n], "AI" + std::to_string(n + 1) + "\tXY" + std::to_string(n + 1));
    for (int n = 16; n < 32; ++n) EXPECT_EQ(lines[n], "AI" + std::to_string(n + 1) + "\tCalibration 0");
    EXPECT_TRUE(page.Controls().optACh[ucADC::kDifferential].Value);
    EXPECT_EQ(page.Controls().cboADChSrc.Items, Numbered("XY"));
    EXPECT_EQ(page.Controls().cboADChSrc.ListIndex, 0);
  });
}

TEST_F(UiTest, AdcLineShowsTheKindAndPositionOfAnEntry) {
  const std::pair<ChannelInput, const char*> cases[] = {
      {{20, true}, "AI3\tY5"},           {{4, true}, "AI3\tX5"},
      {{15, false}, "AI3\tXY16"},        {{16, false}, "AI3\tCalibration 0"},
      {{31, true}, "AI3\tY16"},
  };
  WithDriver(true, [&](E14_140&) {
    for (const auto& [entry, line] : cases) {
      SCOPED_TRACE(line);
      State().DeviceInfo.ChannelMap[2] = entry;
      ucADC page;
      EXPECT_EQ(page.Controls().lstADCh.Items[2], line);
      page.lstADCh_Click(2);
      EXPECT_EQ(page.LineText(), line);
      EXPECT_EQ(page.Controls().frChInput.Caption, "&AI3:");
      EXPECT_TRUE(page.Controls().optACh[ucADC::KindOf(entry)].Value);
    }
  });
}

struct KindCase {
  const char* name;
  ChannelInput start;
  int kind;
  ChannelInput after;
  const char* input;  // line text after the channel number
  const char* tag;
  int sourceIndex;
};

TEST_F(UiTest, AdcChoosingAKindKeepsThePositionInTheGroup) {
  const KindCase cases[] = {
      {"pair 3 to Y", {2, false}, ucADC::kSingleY, {18, true}, "Y3", "Y", 2},
      {"X5 to calibration", {4, true}, ucADC::kCalibration, {20, false}, "Calibration 0", "", -1},
      {"calibration to pair", {20, false}, ucADC::kDifferential, {4, false}, "XY5", "XY", 4},
      {"Y16 to X", {31, true}, ucADC::kSingleX, {15, true}, "X16", "X", 15},
      {"pair 1 to pair", {0, false}, ucADC::kDifferential, {0, false}, "XY1", "XY", 0},
  };
  WithDriver(true, [&](E14_140&) {
    for (const KindCase& c : cases) {
      SCOPED_TRACE(c.name);
      State().DeviceInfo.ChannelMap[6] = c.start;
      ucADC page;
      page.lstADCh_Click(6);
      page.optACh_Click(c.kind);
      const ChannelInput& entry = page.WorkChannelMap()[6];
      EXPECT_EQ(entry.Input, c.after.Input);
      EXPECT_EQ(entry.SingleEnded, c.after.SingleEnded);
      EXPECT_EQ(page.Controls().lstADCh.Items[6], std::string("AI7\t") + c.input);
      const ComboBox& source = page.Controls().cboADChSrc;
      EXPECT_EQ(source.Tag, c.tag);
      EXPECT_EQ(source.ListIndex, c.sourceIndex);
      const bool calibration = c.kind == ucADC::kCalibration;
      EXPECT_EQ(source.Items, calibration ? std::vector<std::string>{} : Numbered(c.tag));
      EXPECT_EQ(source.Enabled, !calibration);
      for (int k = 0; k < 4; ++k) EXPECT_EQ(page.Controls().optACh[k].Value, k == c.kind);
      // Nothing reaches the driver before OK.
      EXPECT_EQ(State().DeviceInfo.ChannelMap[6].Input, c.start.Input);
    }
  });
}

TEST_F(UiTest, AdcSourcePicksThePositionWithinTheShownGroup) {
  WithDriver(true, [](E14_140&) {
    ucADC page;
    page.lstADCh_Click(9);
    page.optACh_Click(ucADC::kSingleY);
    page.cboADChSrc_Click(6);  // Y7
    EXPECT_EQ(page.WorkChannelMap()[9].Input, 22);
    EXPECT_TRUE(page.WorkChannelMap()[9].SingleEnded);
    EXPECT_EQ(page.Controls().lstADCh.Items[9], "AI10\tY7");
    page.optACh_Click(ucADC::kSingleX);
    page.cboADChSrc_Click(15);
    EXPECT_EQ(page.WorkChannelMap()[9].Input, 15);
    EXPECT_EQ(page.Controls().lstADCh.Items[9], "AI10\tX16");
  });
}

TEST_F(UiTest, AdcPresetsActOnTheWorkingCopyOnly) {
  WithDriver(true, [&](E14_140&) {
    const auto stored = State().DeviceInfo.ChannelMap;
    {
      ucADC page;
      page.lstADCh_Click(20);
      page.cmdChSet_Click(ucADC::kAllSingle);
      EXPECT_EQ(page.Controls().lstADCh.ListIndex, 20);
      EXPECT_EQ(page.Controls().lstADCh.Items[0], "AI1\tX1");
      EXPECT_EQ(page.Controls().lstADCh.Items[20], "AI21\tY5");
      EXPECT_EQ(page.Controls().frChInput.Caption, "&AI21:");
      EXPECT_TRUE(page.Controls().optACh[ucADC::kSingleY].Value);
      // The dialog is cancelled: the page goes without committing.
    }
    for (int n = 0; n < kLogicalChannels; ++n) {
      EXPECT_EQ(State().DeviceInfo.ChannelMap[n].Input, stored[n].Input);
      EXPECT_EQ(State().DeviceInfo.ChannelMap[n].SingleEnded, stored[n].SingleEnded);
    }

    ucADC page;
    page.cmdChSet_Click(ucADC::kAllSingle);
    page.Page_SaveSetting();
    for (int n = 0; n < kLogicalChannels; ++n) {
      EXPECT_EQ(State().DeviceInfo.ChannelMap[n].Input, n);
      EXPECT_TRUE(State().DeviceInfo.ChannelMap[n].SingleEnded);
    }
    page.cmdChSet_Click(ucADC::kAllDifferential);
    for (int n = 0; n < kLogicalChannels; ++n) {
      EXPECT_EQ(page.WorkChannelMap()[n].Input, n);
      EXPECT_FALSE(page.WorkChannelMap()[n].SingleEnded);
    }
    EXPECT_EQ(page.Controls().lstADCh.Items[16], "AI17\tCalibration 0");
  });
}

TEST_F(UiTest, AdcResetRestoresTheStoredMapAndKeepsTheSelectedLine) {
  WithDriver(true, [](E14_140&) {
    State().DeviceInfo.ChannelMap[5] = {21, true};
    ucADC page;
    const std::vector<std::string> original = page.Controls().lstADCh.Items;
    page.lstADCh_Click(5);
    page.optACh_Click(ucADC::kDifferential);
    page.lstADCh_Click(7);
    page.optACh_Click(ucADC::kSingleX);
    page.cmdChSet_Click(ucADC::kAllSingle);
    page.lstADCh_Click(12);
    page.cmdChSet_Click(ucADC::kReset);
    EXPECT_EQ(page.Controls().lstADCh.Items, original);
    EXPECT_EQ(page.Controls().lstADCh.ListIndex, 12);
    EXPECT_EQ(page.Controls().frChInput.Caption, "&AI13:");
    EXPECT_EQ(page.WorkChannelMap()[5].Input, 21);
    EXPECT_TRUE(page.WorkChannelMap()[5].SingleEnded);
  });
}

TEST_F(UiTest, AdcOkRebuildsTheChannelNamesAndCodes) {
  WithDriver(true, [&](E14_140&) {
    const int loads = module->tableLoads;
    ucADC unchanged;
    unchanged.Page_SaveSetting();
    EXPECT_EQ(module->tableLoads, loads + 1);

    ucADC page;
    page.lstADCh_Click(16);
    page.optACh_Click(ucADC::kSingleY);
    page.lstADCh_Click(1);
    page.optACh_Click(ucADC::kSingleX);
    page.Page_SaveSetting();
    EXPECT_EQ(module->tableLoads, loads + 2);
    EXPECT_EQ(State().AdcInfo.ChannelNames[16], "Y1");
    EXPECT_EQ(State().DeviceInfo.ChannelCodes[16], 16 + 32);
    EXPECT_EQ(State().AdcInfo.ChannelNames[1], "X2");
    EXPECT_EQ(State().DeviceInfo.ChannelCodes[1], 1 + 32);
    EXPECT_EQ(State().AdcInfo.ChannelNames[0], "XY1");
  });
}

TEST_F(UiTest, AdcIgnoresEventsOutsideItsControls) {
  WithDriver(true, [](E14_140&) {
    ucADC page;
    page.lstADCh_Click(3);
    const auto before = page.Controls().lstADCh.Items;
    page.lstADCh_Click(32);
    page.lstADCh_Click(-2);
    page.optACh_Click(4);
    page.optACh_Click(-1);
    page.cboADChSrc_Click(16);
    page.cboADChSrc_Click(-1);
    page.cmdChSet_Click(3);
    EXPECT_EQ(page.Controls().lstADCh.ListIndex, 3);
    EXPECT_EQ(page.Controls().lstADCh.Items, before);
    EXPECT_EQ(page.WorkChannelMap()[3].Input, 3);

    page.optACh_Click(ucADC::kCalibration);
    page.cboADChSrc_Click(5);  // the source box is disabled
    EXPECT_EQ(page.WorkChannelMap()[3].Input, 19);
    EXPECT_EQ(page.Controls().cboADChSrc.ListIndex, -1);
  });
}

}  // namespace
}  // namespace e14
