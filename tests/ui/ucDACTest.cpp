#include "ui/ucDAC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generator/tDAO_140M.h"
#include "tests/ui/UiFixture.h"
#include "ui/NumberText.h"
#include "ui/dlgSetup.h"

namespace e14 {
namespace {

using testing::UiTest;

TEST_F(UiTest, DacWithoutGeneratorOffersOffAndDcOnly) {
  WithDac(false, [&](E14_140&) {
    State().DacInfo.Channels[0].Type = kDacSine;  // left from a module with a generator
    State().DacInfo.Channels[1].Type = kDacSine;
    ucDAC page;
    const auto& c = page.Controls();
    EXPECT_EQ(c.cboDACType.Items, (std::vector<std::string>{"Off", "DC"}));
    EXPECT_TRUE(c.cboRate[ucDAC::kFrequency].Items.empty());
    EXPECT_EQ(c.cboRate[ucDAC::kFrequency].Text, "100");
    EXPECT_EQ(page.WorkRate(), 100.0f);
    EXPECT_TRUE(c.cboRate[ucDAC::kPhase].Items.empty());
    for (int row : {0, 1}) EXPECT_FALSE(c.cboRate[row].Enabled);
    EXPECT_EQ(c.cboDACType.ListIndex, -1);  // a type the list does not offer
    EXPECT_EQ(c.lstChannels.Items[0], "AO1: \tA=0 V\tB=0 V");
  });
}

TEST_F(UiTest, DacFillsItsListsForTheModule) {
  services->separator = ",";
  WithDac(true, [](E14_140&) {
    ucDAC page;
    const auto& c = page.Controls();
    EXPECT_EQ(c.cboDACType.Items,
              (std::vector<std::string>{"Off", "DC", "Noise", "Sine", "Pulse", "Ramp", "Triangle"}));
    const auto& frequencies = c.cboRate[ucDAC::kFrequency].Items;
    ASSERT_EQ(frequencies.size(), 24u);
    EXPECT_EQ(frequencies[0], "0,02");
    EXPECT_EQ(frequencies[1], "0,025");
    EXPECT_EQ(frequencies[11], "1");
    EXPECT_EQ(frequencies[12], "2");
    EXPECT_EQ(frequencies[23], "10000");
    const auto& phases = c.cboRate[ucDAC::kPhase].Items;
    ASSERT_EQ(phases.size(), 20u);
    EXPECT_EQ(phases[0], "0");
    EXPECT_EQ(phases[1], "0,05");
    EXPECT_EQ(phases[2], "0,10");
    EXPECT_EQ(phases[19], "0,95");
    for (int row : {0, 1}) {
      const auto& volts = c.cboDAC[row].Items;
      ASSERT_EQ(volts.size(), 41u);
      EXPECT_EQ(volts[0], "5");
      EXPECT_EQ(volts[1], "4,75");
      EXPECT_EQ(volts[20], "0");
      EXPECT_EQ(volts[40], "-5");
      EXPECT_EQ(c.slDAC[row].Min, -2048);
      EXPECT_EQ(c.slDAC[row].Max, 2048);
      EXPECT_EQ(c.slDAC[row].TickFrequency, 410);
      EXPECT_EQ(c.slDAC[row].LargeChange, 410);
    }
    EXPECT_EQ(c.lstChannels.Items, (std::vector<std::string>{"AO1: Off", "AO2: Off"}));
  });
}

TEST_F(UiTest, DacSixteenBitSlidersTickEveryVolt) {
  WithDac(false, [](E14_140&) {
    DacInfoRecord& dac = State().DacInfo;
    dac.Resolution = 16;
    dac.ChannelMax = 32767;
    dac.ChannelMin = -32767;
    dac.UnitScale = 6553.4f;
    ucDAC page;
    EXPECT_EQ(page.Controls().slDAC[0].TickFrequency, 6553);
    EXPECT_EQ(page.Controls().slDAC[1].Max, 32767);
  });
}

struct RowsCase {
  int type0, type1;
  bool frequency, phase;
};

TEST_F(UiTest, DacFrequencyAndPhaseRowsFollowBothChannels) {
  const RowsCase cases[] = {
      {kDacSine, kDacDc, true, false},    {kDacSine, kDacSine, true, true},
      {kDacNoise, kDacNoise, false, false}, {kDacOff, kDacRamp, true, false},
      {kDacPulse, kDacTriangle, true, true}, {kDacDc, kDacOff, false, false},
      {kDacNoise, kDacSine, true, false},
  };
  WithDac(true, [&](E14_140&) {
    for (const RowsCase& c : cases) {
      SCOPED_TRACE(std::to_string(c.type0) + "/" + std::to_string(c.type1));
      ucDAC page;
      page.lstChannels_Click(0);  // the previous case's page left channel 2 remembered
      page.cboDACType_Click(c.type0);
      page.lstChannels_Click(1);
      page.cboDACType_Click(c.type1);
      const auto& controls = page.Controls();
      EXPECT_EQ(controls.cboRate[ucDAC::kFrequency].Enabled, c.frequency);
      EXPECT_EQ(controls.cboRate[ucDAC::kFrequency].BackColor, c.frequency ? kColourWindow : kColourButtonFace);
      EXPECT_EQ(controls.cboRate[ucDAC::kPhase].Enabled, c.phase);
    }
  });
}

// A voltage typed (in the user's format) or chosen from the list becomes the
// channel's code in the page's copy only, once the field is left.
TEST_F(UiTest, DacVoltagesTypedOrChosenBecomeCodes) {
  struct Case {
    const char* separator;
    int type, row;
    const char* typed;  // null: list entry `listIndex` is chosen
    int listIndex;
    int16_t code;
    const char* line;
  };
  const Case cases[] = {
      {".", kDacDc, ucDAC::kAmplitude, "2.5", -1, 1024, "AO1: DC\tA=2.5 V"},
      {",", kDacDc, ucDAC::kAmplitude, "-2,5", -1, -1024, "AO1: DC\tA=-2,5 V"},
      {".", kDacSine, ucDAC::kBaseline, nullptr, 36, -1638, "AO1: Sine\tA=0 V\tB=-3.999 V"},  // -4
  };
  WithDac(true, [&](E14_140&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.line);
      services->separator = c.separator;
      ucDAC page;
      page.cboDACType_Click(c.type);
      if (c.typed != nullptr) {
        page.cboDAC_Change(c.row, c.typed);
        EXPECT_EQ(page.WorkChannels()[0].Amp, 0);  // not before the field is left
        EXPECT_TRUE(page.cboDAC_Validate(c.row));
      } else {
        page.cboDAC_Click(c.row, c.listIndex);
      }
      const DacChannel& work = page.WorkChannels()[0];
      EXPECT_EQ(c.row == ucDAC::kAmplitude ? work.Amp : work.Base, c.code);
      EXPECT_EQ(page.Controls().slDAC[c.row].Value, c.code);
      EXPECT_EQ(page.Controls().lstChannels.Items[0], c.line);
      EXPECT_EQ(State().DacInfo.Channels[0].Amp, 0);  // the copy only
    }
  });
  EXPECT_TRUE(services->messages.empty());
}

struct BadVoltage {
  const char* separator;
  const char* text;
};

TEST_F(UiTest, DacRefusesVoltagesThatAreNotNumbersOrOutOfRange) {
  const BadVoltage cases[] = {
      {".", "5.01"}, {".", "-5.5"}, {".", "abc"}, {".", ""}, {".", "2,5"}, {",", "2.5"}, {".", "1e9"}, {".", "2.5 V"},
  };
  WithDac(true, [&](E14_140&) {
    for (const BadVoltage& c : cases) {
      SCOPED_TRACE(std::string(c.text) + " with " + c.separator);
      services->separator = c.separator;
      services->messages.clear();
      ucDAC page;
      page.cboDACType_Click(kDacSine);
      page.cboDAC_Change(ucDAC::kBaseline, "1");
      ASSERT_TRUE(page.cboDAC_Validate(ucDAC::kBaseline));
      const int16_t before = page.WorkChannels()[0].Base;
      page.cboDAC_Change(ucDAC::kBaseline, c.text);
      EXPECT_FALSE(page.cboDAC_Validate(ucDAC::kBaseline));
      EXPECT_EQ(page.WorkChannels()[0].Base, before);
      EXPECT_EQ(page.Controls().slDAC[1].Value, before);
      EXPECT_EQ(page.Controls().cboDAC[1].Text, c.text);  // left for the user to correct
      // Leaving again without a correction asks again.
      EXPECT_FALSE(page.cboDAC_Validate(ucDAC::kBaseline));
      EXPECT_EQ(services->messages, std::vector<std::string>(2, "Please, set the number in range from -5 to 5 V!"));
    }
  });
}

// What a field shows is rounded: only a typed text may replace the value.
TEST_F(UiTest, DacLeavingAnUntouchedFieldChangesNothing) {
  WithDac(true, [](E14_140&) {
    DacInfoRecord& dac = State().DacInfo;
    dac.Resolution = 16;
    dac.ChannelMax = 32767;
    dac.ChannelMin = -32767;
    dac.UnitScale = 6553.4f;
    dac.Channels[0].Type = kDacSine;
    dac.Channels[0].Amp = 1;  // shown as 0 V
    dac.Rate = 1234.5678f;
    ucDAC page;
    EXPECT_EQ(page.Controls().cboDAC[0].Text, "0");
    EXPECT_TRUE(page.cboDAC_Validate(ucDAC::kAmplitude));
    EXPECT_EQ(page.WorkChannels()[0].Amp, 1);
    EXPECT_EQ(page.Controls().cboRate[ucDAC::kFrequency].Text, "1234.568");
    EXPECT_TRUE(page.cboRate_Validate(ucDAC::kFrequency));
    page.Page_SaveSetting();
    EXPECT_EQ(dac.Rate, 1234.5678f);
  });
}

struct RateCase {
  int row;
  const char* separator;
  const char* text;
  bool accepted;
};

TEST_F(UiTest, DacChecksFrequencyAndPhase) {
  const RateCase cases[] = {
      {ucDAC::kFrequency, ".", "10000", true},  {ucDAC::kFrequency, ".", "0.02", true},
      {ucDAC::kFrequency, ".", "10001", false}, {ucDAC::kFrequency, ".", "0.01", false},
      {ucDAC::kFrequency, ".", "fast", false},  {ucDAC::kFrequency, ",", "0.5", false},
      {ucDAC::kFrequency, ",", "0,5", true},    {ucDAC::kPhase, ".", "1", true},
      {ucDAC::kPhase, ".", "0", true},          {ucDAC::kPhase, ".", "1.01", false},
      {ucDAC::kPhase, ".", "-0.1", false},      {ucDAC::kPhase, ",", "0.25", false},
  };
  WithDac(true, [&](E14_140&) {
    for (const RateCase& c : cases) {
      SCOPED_TRACE(std::string(c.text) + " with " + c.separator);
      services->separator = c.separator;
      services->messages.clear();
      ucDAC page;
      page.lstChannels_Click(0);  // the previous case's page left channel 2 remembered
      page.cboDACType_Click(kDacSine);
      page.lstChannels_Click(1);
      page.cboDACType_Click(kDacSine);
      const float rateBefore = page.WorkRate();
      const float phaseBefore = page.WorkChannels()[0].Phase;
      page.cboRate_Change(c.row, c.text);
      EXPECT_EQ(page.cboRate_Validate(c.row), c.accepted);
      const float expected = c.accepted ? *ReadSingle(c.text, c.separator) : 0.0f;
      EXPECT_EQ(page.WorkRate(), c.row == ucDAC::kFrequency && c.accepted ? expected : rateBefore);
      EXPECT_EQ(page.WorkChannels()[0].Phase, c.row == ucDAC::kPhase && c.accepted ? expected : phaseBefore);
      EXPECT_EQ(page.WorkChannels()[1].Phase, 0.0f);  // only the first channel's phase is edited
      if (c.accepted) {
        EXPECT_TRUE(services->messages.empty());
      } else {
        const std::string range = c.row == ucDAC::kFrequency
                                      ? std::string("0") + c.separator + "02 to 10000"
                                      : std::string("0 to 1");
        EXPECT_EQ(services->messages,
                  std::vector<std::string>{"Please, set the number in range from " + range + "!"});
      }
    }
  });
}

TEST_F(UiTest, DacDraggingShowsTheVoltsAndReleasingStoresTheCode) {
  WithDac(true, [](E14_140&) {
    ucDAC page;
    page.cboDACType_Click(kDacSine);
    page.slDAC_Scroll(ucDAC::kAmplitude, 410);
    EXPECT_EQ(page.Controls().cboDAC[0].Text, "1.001");
    EXPECT_EQ(page.WorkChannels()[0].Amp, 0);
    EXPECT_EQ(page.Controls().lstChannels.Items[0], "AO1: Sine\tA=0 V\tB=0 V");
    page.slDAC_Change(ucDAC::kAmplitude, 410);
    EXPECT_EQ(page.WorkChannels()[0].Amp, 410);
    EXPECT_EQ(page.Controls().lstChannels.Items[0], "AO1: Sine\tA=1.001 V\tB=0 V");
    page.slDAC_Change(ucDAC::kBaseline, -5000);  // stops at the end of the scale
    EXPECT_EQ(page.WorkChannels()[0].Base, -2048);
    EXPECT_EQ(page.Controls().cboDAC[1].Text, "-5");
  });
}

TEST_F(UiTest, DacIgnoresEventsOutsideItsControlsOrOnDisabledOnes) {
  WithDac(true, [](E14_140&) {
    ucDAC page;  // type Off: amplitude and baseline disabled
    page.slDAC_Change(ucDAC::kAmplitude, 100);
    page.cboDAC_Change(ucDAC::kBaseline, "3");
    EXPECT_TRUE(page.cboDAC_Validate(ucDAC::kBaseline));
    page.cboDAC_Click(ucDAC::kAmplitude, 3);
    page.cboRate_Change(ucDAC::kFrequency, "50");
    EXPECT_TRUE(page.cboRate_Validate(ucDAC::kFrequency));
    page.cboDACType_Click(7);
    page.cboDACType_Click(-1);
    page.slDAC_Change(2, 100);
    page.cboDAC_Change(-1, "1");
    page.lstChannels_Click(2);
    page.cmdDACSet_Click(2);
    EXPECT_EQ(page.WorkChannels()[0].Type, kDacOff);
    EXPECT_EQ(page.WorkChannels()[0].Amp, 0);
    EXPECT_EQ(page.WorkChannels()[0].Base, 0);
    EXPECT_EQ(page.WorkRate(), 100.0f);
    EXPECT_EQ(page.CurChannel(), 0);
  });
}

TEST_F(UiTest, DacStartCommitsBuildsTheWaveAndStartsTheOutput) {
  WithDac(true, [&](E14_140&) {
    ucDAC page;
    page.cboDACType_Click(kDacSine);
    page.slDAC_Change(ucDAC::kAmplitude, 1000);
    page.cboRate_Change(ucDAC::kFrequency, "50");
    ASSERT_TRUE(page.cboRate_Validate(ucDAC::kFrequency));
    State().DacInfo.Channels[0].Value = 77;  // the driver's, not the page's
    page.cmdDACSet_Click(ucDAC::kStart);
    const DacInfoRecord& dac = State().DacInfo;
    EXPECT_EQ(dac.Channels[0].Type, kDacSine);
    EXPECT_EQ(dac.Channels[0].Amp, 1000);
    EXPECT_EQ(dac.Channels[0].Value, 77);
    EXPECT_EQ(dac.Rate, 50.0f);
    EXPECT_EQ(panel->dacStarts, 1);
    EXPECT_EQ(panel->waveChannelsAtStart, 2);  // the wave was built before the start
    EXPECT_FALSE(State().DacWave.empty());
    page.cmdDACSet_Click(ucDAC::kStop);
    EXPECT_EQ(panel->dacStops, 1);
  });
}

TEST_F(UiTest, DacStartWithoutGeneratorBuildsNoWave) {
  WithDac(false, [&](E14_140&) {
    State().DacInfo.Rate = 7.0f;
    ucDAC page;
    page.cboDACType_Click(kDacDc);
    page.cboDAC_Change(ucDAC::kAmplitude, "1");
    ASSERT_TRUE(page.cboDAC_Validate(ucDAC::kAmplitude));
    page.cmdDACSet_Click(ucDAC::kStart);
    EXPECT_EQ(State().DacInfo.Channels[0].Amp, 410);
    EXPECT_EQ(State().DacInfo.Rate, 7.0f);  // no generator: the rate is not the page's
    EXPECT_EQ(panel->dacStarts, 1);
    EXPECT_EQ(panel->waveChannelsAtStart, 0);
    EXPECT_TRUE(State().DacWave.empty());
  });
}

TEST_F(UiTest, DacStartThenCancelKeepsWhatStartCommitted) {
  WithDac(true, [&](E14_140&) {
    dlgSetup dialog;
    dialog.Activate();
    dialog.tabSetup_Click(2);
    auto* page = dynamic_cast<ucDAC*>(dialog.Page(2));
    ASSERT_NE(page, nullptr);
    page->cboDACType_Click(kDacTriangle);
    page->slDAC_Change(ucDAC::kAmplitude, 800);
    page->cmdDACSet_Click(ucDAC::kStart);
    page->slDAC_Change(ucDAC::kAmplitude, 1600);
    page->cboDACType_Click(kDacNoise);
    dialog.cmdDialog_Click(dlgSetup::kCancel);
    EXPECT_EQ(State().DacInfo.Channels[0].Type, kDacTriangle);
    EXPECT_EQ(State().DacInfo.Channels[0].Amp, 800);
    EXPECT_EQ(panel->dacStarts, 1);
    EXPECT_EQ(panel->dacStops, 0);  // the output keeps running
  });
}

TEST_F(UiTest, DacReopensOnTheChannelEditedLast) {
  WithDac(true, [](E14_140&) {
    {
      ucDAC page;
      EXPECT_EQ(page.CurChannel(), 0);
      page.lstChannels_Click(1);
    }
    EXPECT_EQ(State().LastDacChannel, 1);
    State().DacInfo.Channels[1].Type = kDacRamp;
    ucDAC page;
    EXPECT_EQ(page.CurChannel(), 1);
    EXPECT_EQ(page.Controls().lblDACType.Caption, "AO2 &Type:");
    EXPECT_EQ(page.Controls().cboDACType.ListIndex, kDacRamp);
  });
}

TEST_F(UiTest, DacLoadsTheStoredSettings) {
  WithDac(true, [](E14_140&) {
    DacInfoRecord& dac = State().DacInfo;
    dac.Rate = 50.0f;
    dac.Channels[0] = DacChannel{0, kDacDc, 1024, 0, 0, 0.25f};
    dac.Channels[1] = DacChannel{0, kDacSine, 410, -205, 0, 0.0f};
    ucDAC page;
    const auto& c = page.Controls();
    EXPECT_EQ(c.cboRate[ucDAC::kFrequency].Text, "50");
    EXPECT_EQ(c.cboRate[ucDAC::kPhase].Text, "0.25");
    EXPECT_EQ(c.lstChannels.Items, (std::vector<std::string>{"AO1: DC\tA=2.5 V", "AO2: Sine\tA=1.001 V\tB=-0.5 V"}));
    EXPECT_EQ(c.cboDACType.ListIndex, kDacDc);
    EXPECT_EQ(c.slDAC[0].Value, 1024);
    EXPECT_EQ(c.cboDAC[0].Text, "2.5");
    EXPECT_TRUE(c.cboRate[ucDAC::kFrequency].Enabled);
    EXPECT_FALSE(c.cboRate[ucDAC::kPhase].Enabled);
  });
}

TEST_F(UiTest, DacOutOfRangeStoredRateShowsTheDefault) {
  WithDac(true, [&](E14_140&) {
    for (float rate : {0.0f, 0.01f, 300000.0f}) {
      SCOPED_TRACE(rate);
      State().DacInfo.Rate = rate;
      ucDAC page;
      EXPECT_EQ(page.WorkRate(), 100.0f);
      EXPECT_EQ(page.Controls().cboRate[ucDAC::kFrequency].Text, "100");
      page.Page_SaveSetting();
      EXPECT_EQ(State().DacInfo.Rate, 100.0f);
    }
  });
}

}  // namespace
}  // namespace e14
