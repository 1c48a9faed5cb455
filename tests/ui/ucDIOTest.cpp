#include "ui/ucDIO.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/UiFixture.h"

namespace e14::testing {
namespace {

using Words = std::vector<int32_t>;

// Box j shows bit 15 - j: the word the boxes are ticked for (or show).
int32_t Boxes(const std::array<CheckBox, ucDIO::kBoxes>& boxes, bool CheckBox::*flag = &CheckBox::Value) {
  int32_t word = 0;
  for (int j = 0; j < ucDIO::kBoxes; ++j)
    if (boxes[j].*flag) word |= 1 << (15 - j);
  return word;
}

void Compose(ucDIO& page, int32_t word) {
  for (int j = 0; j < ucDIO::kBoxes; ++j) page.chkOut_Click(j, (word >> (15 - j) & 1) != 0);
}

TEST_F(UiTest, DioHidesTheBoxesOfMissingBits) {
  WithDriver([&](E14_140&) {
    State().DioState.DIBits = 8;
    State().DioState.DOBits = 12;
    panel->inputs = 0xFFFF;
    ucDIO page;
    page.SetVisible(true);
    const auto& c = page.Controls();
    EXPECT_EQ((Words{Boxes(c.chkIn, &CheckBox::Visible), Boxes(c.chkOut, &CheckBox::Visible), Boxes(c.chkIn)}),
              (Words{0x00FF, 0x0FFF, 0x00FF}));
    page.cmdOutput_Click(ucDIO::kSetAll);
    // A hidden box and events of controls the page has not.
    for (int box : {0, 16, -1}) page.chkOut_Click(box, true);
    for (int command : {5, -1}) page.cmdOutput_Click(command);
    page.chkStart_Click(2, true), page.cmdStart_Click(2), page.cmdShow_Click(-1);
    EXPECT_EQ((Words{page.WorkDio().DOValue, page.WorkDio().DOStopEnabled}), (Words{0x0FFF, false}));
    EXPECT_EQ(c.chkStart[0].Caption, "On Start: 0x000 (0)");  // three digits for 12 bits
  });
}

// With "Out" off the boxes only compose a word; with it on every change is
// written at once, and outputs wired back to inputs show at once.
TEST_F(UiTest, DioWritesTheOutputsOnlyWhileLive) {
  WithDriver([&](E14_140& driver) {
    ucDIO page;
    page.SetVisible(true);
    const auto& c = page.Controls();
    page.chkOut_Click(0, true);
    EXPECT_EQ(c.frDO.Caption + (module->ttlWrites.empty() ? "" : ", written"), "Output: 0x8000 (32768)");
    panel->inputs = 0x0042;
    page.chkOutput_Click(true);
    EXPECT_EQ(c.frDI.Caption, "Input: 0x0042 (66)");
    page.cmdOutput_Click(ucDIO::kReset), page.chkOut_Click(15, true);  // Reset: disabled while live
    page.chkOutput_Click(false), page.chkOut_Click(15, false);
    EXPECT_EQ(module->ttlWrites, (Words{0x8000, 0x8001}));
    driver.IDIO_DOValue(0x1234);  // Reset brings back the word last written, also by the host
    page.cmdOutput_Click(ucDIO::kReset);
    EXPECT_EQ(c.frDO.Caption, "Output: 0x1234 (4660)");
  });
}

TEST_F(UiTest, DioOutputButtonsSetTheBoxes) {
  const std::pair<int, int32_t> cases[] = {
      {ucDIO::kClear, 0x0000}, {ucDIO::kSetAll, 0xFFFF}, {ucDIO::kInvert, 0xFF0F}, {ucDIO::kAsInput, 0x0F0F}};
  WithDriver([&](E14_140&) {
    for (const auto& [command, after] : cases) {
      module->ttlWrites.clear();
      panel->inputs = 0x0F0F;
      ucDIO page;
      page.SetVisible(true);
      Compose(page, 0x00F0);
      page.cmdOutput_Click(command);
      EXPECT_EQ((Words{Boxes(page.Controls().chkOut), page.WorkDio().DOValue}), (Words{after, after})) << command;
      Compose(page, 0x00F0);
      page.chkOutput_Click(true), page.cmdOutput_Click(command);  // live: written once
      EXPECT_EQ(module->ttlWrites, (Words{0x00F0, after})) << command;
    }
  });
}

// The start and stop words are the page's until OK, which leaves the live
// words as the module has them. Show puts a word on the boxes.
TEST_F(UiTest, DioStartAndStopWordsAreCommittedOnOk) {
  WithDriver([&](E14_140& driver) {
    DioStateRecord& dio = State().DioState;
    dio.DOStartEnabled = true;
    dio.DOStartValue = 0x12345;  // wider than the port: its low digits show
    dio.DOStopValue = -1;
    ucDIO page;
    page.SetVisible(true);
    const auto& c = page.Controls();
    EXPECT_EQ((std::vector<std::string>{c.chkStart[0].Caption, c.chkStart[1].Caption}),
              (std::vector<std::string>{"On Start: 0x2345 (9029)", "On Stop: 0xFFFF (65535)"}));
    page.cmdStart_Click(ucDIO::kStopWord), page.cmdShow_Click(ucDIO::kStopWord);  // disabled until ticked
    EXPECT_EQ((Words{page.WorkDio().DOStopValue, page.WorkDio().DOValue}), (Words{-1, 0}));
    page.cmdShow_Click(ucDIO::kStartWord);
    EXPECT_EQ(c.frDO.Caption, "Output: 0x2345 (9029)");
    Compose(page, 0);
    page.chkOutput_Click(true), page.cmdShow_Click(ucDIO::kStartWord), page.chkOutput_Click(false);  // live: written
    EXPECT_EQ(module->ttlWrites, (Words{0, 0x2345}));
    page.chkStart_Click(ucDIO::kStopWord, true);
    Compose(page, 0x0101);
    page.cmdStart_Click(ucDIO::kStopWord), page.chkStart_Click(ucDIO::kStartWord, false);
    EXPECT_EQ(c.chkStart[1].Caption, "On Stop: 0x0101 (257)");
    EXPECT_EQ(dio.DOStopValue, -1);
    driver.IDIO_DOValue(0x7777);
    panel->inputs = 0x0102;
    driver.IDIO_DIValue();
    page.Page_SaveSetting();
    EXPECT_EQ((Words{dio.DOStopEnabled, dio.DOStopValue, dio.DOStartEnabled, dio.DOValue, dio.DIValue}),
              (Words{true, 0x0101, false, 0x7777, 0x0102}));
  });
}

// Nothing is read before the page is shown; "In" polls while it is shown,
// and a tick already queued when it is hidden changes nothing.
TEST_F(UiTest, DioReadsTheInputsWhenShownAndPollsThemWhileOn) {
  WithDriver([&](E14_140&) {
    ucDIO page;
    const auto& c = page.Controls();
    std::vector<std::string> seen;
    const auto note = [&] { seen.push_back(c.frDI.Caption + (c.tmrDI.Enabled ? ", polled" : "")); };
    panel->inputs = 0x00FF;
    note(), page.SetVisible(true), note();
    EXPECT_EQ(Boxes(c.chkIn), 0x00FF);
    page.chkInput_Click(true), panel->inputs = 2, page.tmrDI_Timer(), note();
    page.SetVisible(false), panel->inputs = 3, page.tmrDI_Timer(), note();
    page.SetVisible(true), note(), page.chkInput_Click(false), note();
    EXPECT_EQ(seen, (std::vector<std::string>{"&Input", "Input: 0x00FF (255)", "Input: 0x0002 (2), polled",
                                              "Input: 0x0002 (2)", "Input: 0x0003 (3), polled", "Input: 0x0003 (3)"}));
  });
}

}  // namespace
}  // namespace e14::testing
