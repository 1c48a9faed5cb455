#include "ui/ucDIO.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/UiFixture.h"

namespace e14 {
namespace {

using testing::UiTest;

int32_t Boxes(const std::array<CheckBox, ucDIO::kBoxes>& boxes) {
  int32_t word = 0;
  for (int j = 0; j < ucDIO::kBoxes; ++j)
    if (boxes[j].Value) word |= 1 << (15 - j);
  return word;
}

// Ticks the output boxes of a word one by one (live output off).
void Compose(ucDIO& page, int32_t word) {
  for (int j = 0; j < ucDIO::kBoxes; ++j) page.chkOut_Click(j, (word >> (15 - j) & 1) != 0);
}

TEST_F(UiTest, DioHidesTheBoxesOfMissingBits) {
  WithDriver(true, [&](E14_140&) {
    State().DioState.DIBits = 8;
    State().DioState.DOBits = 12;
    panel->inputs = 0xFFFF;
    ucDIO page;
    page.SetVisible(true);
    const auto& c = page.Controls();
    for (int j = 0; j < ucDIO::kBoxes; ++j) {
      EXPECT_EQ(c.chkIn[j].Visible, j >= 8);
      EXPECT_EQ(c.lblInBin[j].Enabled, j >= 8);
      EXPECT_EQ(c.chkOut[j].Visible, j >= 4);
      EXPECT_EQ(c.lblOutBin[j].Enabled, j >= 4);
    }
    EXPECT_EQ(Boxes(c.chkIn), 0x00FF);  // only the bits the module has
    page.cmdOutput_Click(ucDIO::kSetAll);
    EXPECT_EQ(page.WorkDio().DOValue, 0x0FFF);
    page.chkOut_Click(0, true);  // a hidden box
    EXPECT_EQ(page.WorkDio().DOValue, 0x0FFF);
    EXPECT_EQ(c.chkStart[0].Caption, "On Start: 0x000 (0)");
  });
}

TEST_F(UiTest, DioShowsTheInputsWhenShown) {
  WithDriver(true, [&](E14_140&) {
    panel->inputs = 0x00FF;
    ucDIO page;
    EXPECT_EQ(page.Controls().frDI.Caption, "&Input");  // nothing read before it is shown
    page.SetVisible(true);
    const auto& c = page.Controls();
    for (int j = 0; j < ucDIO::kBoxes; ++j) EXPECT_EQ(c.chkIn[j].Value, j >= 8) << j;
    EXPECT_EQ(c.frDI.Caption, "Input: 0x00FF (255)");
    EXPECT_EQ(page.WorkDio().DIValue, 0x00FF);
  });
}

TEST_F(UiTest, DioComposesWithoutWritingWhileOutputIsOff) {
  WithDriver(true, [&](E14_140&) {
    ucDIO page;
    page.SetVisible(true);
    const size_t writes = module->ttlWrites.size();
    page.chkOut_Click(0, true);  // box "16"
    EXPECT_EQ(page.Controls().frDO.Caption, "Output: 0x8000 (32768)");
    EXPECT_EQ(module->ttlWrites.size(), writes);
    EXPECT_TRUE(page.Controls().cmdOutput[ucDIO::kReset].Enabled);

    panel->inputs = 0x0042;
    page.chkOutput_Click(true);
    EXPECT_EQ(page.Controls().frDI.Caption, "Input: 0x0042 (66)");  // outputs wired back show at once
    ASSERT_EQ(module->ttlWrites.size(), writes + 1);
    EXPECT_EQ(module->ttlWrites.back(), 0x8000);
    EXPECT_EQ(State().DioState.DOValue, 0x8000);
    EXPECT_FALSE(page.Controls().cmdOutput[ucDIO::kReset].Enabled);

    page.chkOut_Click(15, true);  // live: written at once
    EXPECT_EQ(module->ttlWrites.back(), 0x8001);
    page.chkOutput_Click(false);
    EXPECT_TRUE(page.Controls().cmdOutput[ucDIO::kReset].Enabled);
    page.chkOut_Click(15, false);
    EXPECT_EQ(module->ttlWrites.back(), 0x8001);
    EXPECT_EQ(page.Controls().frDO.Caption, "Output: 0x8000 (32768)");
  });
}

TEST_F(UiTest, DioResetBringsBackTheWordLastWritten) {
  WithDriver(true, [&](E14_140& driver) {
    ucDIO page;
    page.SetVisible(true);
    driver.IDIO_DOValue(0x1234);  // written by the host meanwhile
    Compose(page, 0x00FF);
    page.cmdOutput_Click(ucDIO::kReset);
    EXPECT_EQ(Boxes(page.Controls().chkOut), 0x1234);
    EXPECT_EQ(page.Controls().frDO.Caption, "Output: 0x1234 (4660)");
    EXPECT_EQ(module->ttlWrites, std::vector<int32_t>{0x1234});
  });
}

struct CommandCase {
  int command;
  int32_t before, inputs, after;
};

TEST_F(UiTest, DioOutputButtonsSetTheBoxes) {
  const CommandCase cases[] = {
      {ucDIO::kClear, 0x00F0, 0, 0x0000},
      {ucDIO::kSetAll, 0x00F0, 0, 0xFFFF},
      {ucDIO::kInvert, 0x00F0, 0, 0xFF0F},
      {ucDIO::kAsInput, 0x00F0, 0x0F0F, 0x0F0F},
  };
  WithDriver(true, [&](E14_140&) {
    for (const CommandCase& c : cases) {
      SCOPED_TRACE(c.command);
      module->ttlWrites.clear();
      panel->inputs = c.inputs;
      ucDIO page;
      page.SetVisible(true);
      Compose(page, c.before);
      page.cmdOutput_Click(c.command);
      EXPECT_EQ(Boxes(page.Controls().chkOut), c.after);
      EXPECT_EQ(page.WorkDio().DOValue, c.after);
      EXPECT_TRUE(module->ttlWrites.empty());

      // With live output on, the button writes the new word once.
      Compose(page, c.before);
      page.chkOutput_Click(true);
      page.cmdOutput_Click(c.command);
      EXPECT_EQ(module->ttlWrites, (std::vector<int32_t>{c.before, c.after}));
    }
  });
}

TEST_F(UiTest, DioStopWordIsEditedAndCommittedOnOkOnly) {
  WithDriver(true, [&](E14_140&) {
    {
      ucDIO page;
      page.SetVisible(true);
      page.chkStart_Click(ucDIO::kStopWord, true);
      EXPECT_TRUE(page.Controls().cmdStart[1].Enabled);
      EXPECT_TRUE(page.Controls().cmdShow[1].Enabled);
      EXPECT_FALSE(page.Controls().cmdStart[0].Enabled);
      Compose(page, 0x0101);
      page.cmdStart_Click(ucDIO::kStopWord);
      EXPECT_EQ(page.Controls().chkStart[1].Caption, "On Stop: 0x0101 (257)");
      // Cancelled: the page goes without committing.
    }
    EXPECT_FALSE(State().DioState.DOStopEnabled);
    EXPECT_EQ(State().DioState.DOStopValue, 0);

    ucDIO page;
    page.SetVisible(true);
    page.chkStart_Click(ucDIO::kStopWord, true);
    Compose(page, 0x0101);
    page.cmdStart_Click(ucDIO::kStopWord);
    page.Page_SaveSetting();
    EXPECT_TRUE(State().DioState.DOStopEnabled);
    EXPECT_EQ(State().DioState.DOStopValue, 0x0101);
    EXPECT_FALSE(State().DioState.DOStartEnabled);
  });
}

TEST_F(UiTest, DioStartAndStopWordsLoadFromTheDriver) {
  WithDriver(true, [](E14_140&) {
    DioStateRecord& dio = State().DioState;
    dio.DOStartEnabled = true;
    dio.DOStartValue = 0x12345;  // wider than the port: its low digits show
    dio.DOStopValue = -1;
    ucDIO page;
    const auto& c = page.Controls();
    EXPECT_TRUE(c.chkStart[0].Value);
    EXPECT_TRUE(c.cmdStart[0].Enabled);
    EXPECT_TRUE(c.cmdShow[0].Enabled);
    EXPECT_FALSE(c.chkStart[1].Value);
    EXPECT_EQ(c.chkStart[0].Caption, "On Start: 0x2345 (9029)");
    EXPECT_EQ(c.chkStart[1].Caption, "On Stop: 0xFFFF (65535)");
  });
}

TEST_F(UiTest, DioShowWritesTheStartWordAtOnceWithLiveOutput) {
  WithDriver(true, [&](E14_140&) {
    State().DioState.DOStartEnabled = true;
    State().DioState.DOStartValue = 0x0F00;
    ucDIO page;
    page.SetVisible(true);
    page.chkOutput_Click(true);
    page.cmdShow_Click(ucDIO::kStartWord);
    EXPECT_EQ(module->ttlWrites.back(), 0x0F00);
    EXPECT_EQ(Boxes(page.Controls().chkOut), 0x0F00);

    page.chkOutput_Click(false);
    Compose(page, 0);
    const size_t writes = module->ttlWrites.size();
    page.cmdShow_Click(ucDIO::kStartWord);
    EXPECT_EQ(module->ttlWrites.size(), writes);
    EXPECT_EQ(page.Controls().frDO.Caption, "Output: 0x0F00 (3840)");
  });
}

TEST_F(UiTest, DioPollsTheInputsOnlyWhileShownAndOn) {
  WithDriver(true, [&](E14_140&) {
    ucDIO page;
    page.SetVisible(true);
    EXPECT_FALSE(page.Controls().tmrDI.Enabled);
    panel->inputs = 1;
    page.chkInput_Click(true);
    EXPECT_TRUE(page.Controls().tmrDI.Enabled);
    EXPECT_EQ(page.Controls().frDI.Caption, "Input: 0x0001 (1)");
    panel->inputs = 2;
    page.tmrDI_Timer();
    EXPECT_EQ(page.Controls().frDI.Caption, "Input: 0x0002 (2)");

    page.SetVisible(false);
    EXPECT_FALSE(page.Controls().tmrDI.Enabled);
    panel->inputs = 3;
    page.tmrDI_Timer();
    EXPECT_EQ(page.Controls().frDI.Caption, "Input: 0x0002 (2)");

    page.SetVisible(true);
    EXPECT_TRUE(page.Controls().tmrDI.Enabled);
    EXPECT_EQ(page.Controls().frDI.Caption, "Input: 0x0003 (3)");
    page.chkInput_Click(false);
    EXPECT_FALSE(page.Controls().tmrDI.Enabled);
  });
}

TEST_F(UiTest, DioCommitKeepsTheLiveWordsOfTheModule) {
  WithDriver(true, [&](E14_140& driver) {
    ucDIO page;
    page.SetVisible(true);
    Compose(page, 0x00AA);
    driver.IDIO_DOValue(0x7777);
    panel->inputs = 0x0102;
    driver.IDIO_DIValue();
    page.Page_SaveSetting();
    EXPECT_EQ(State().DioState.DOValue, 0x7777);
    EXPECT_EQ(State().DioState.DIValue, 0x0102);
    EXPECT_TRUE(State().DioState.Detected);
    EXPECT_EQ(State().DioState.DOBits, 16);
  });
}

TEST_F(UiTest, DioIgnoresEventsOutsideItsControlsOrOnDisabledOnes) {
  WithDriver(true, [&](E14_140&) {
    ucDIO page;
    page.SetVisible(true);
    page.chkOut_Click(16, true);
    page.chkOut_Click(-1, true);
    page.cmdOutput_Click(5);
    page.cmdOutput_Click(-1);
    page.cmdStart_Click(ucDIO::kStartWord);  // disabled until "On Start:" is ticked
    page.cmdShow_Click(ucDIO::kStopWord);
    page.chkStart_Click(2, true);
    page.cmdStart_Click(2);
    EXPECT_EQ(page.WorkDio().DOValue, 0);
    EXPECT_EQ(page.WorkDio().DOStartValue, 0);
    EXPECT_FALSE(page.WorkDio().DOStopEnabled);

    page.chkOutput_Click(true);
    const size_t writes = module->ttlWrites.size();
    page.cmdOutput_Click(ucDIO::kReset);  // disabled while live
    EXPECT_EQ(module->ttlWrites.size(), writes);
  });
}

}  // namespace
}  // namespace e14
