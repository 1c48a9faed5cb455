#include "ui/ucDAC.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "tests/ui/UiFixture.h"

namespace e14::testing {
namespace {

using Strings = std::vector<std::string>;

// The item count, then the items picked.
Strings Pick(const Strings& items, std::initializer_list<size_t> picks) {
  Strings picked{std::to_string(items.size())};
  for (size_t i : picks) picked.push_back(i < items.size() ? items[i] : "");
  return picked;
}

TEST_F(UiTest, DacShowsItsListsAndTheStoredSettings) {
  services->separator = ",";
  WithDac(true, [&](E14_140&) {
    DacInfoRecord& dac = State().DacInfo;
    dac.Rate = 50.5f;
    dac.Channels[0] = DacChannel{0, kDacDc, 1024, 0, 0, 0.25f};
    dac.Channels[1] = DacChannel{0, kDacSine, 410, -205, 0, 0.0f};
    ucDAC page;
    const auto& c = page.Controls();
    EXPECT_EQ(Pick(c.cboRate[ucDAC::kFrequency].Items, {0, 1, 23}), (Strings{"24", "0,02", "0,025", "10000"}));
    EXPECT_EQ(Pick(c.cboRate[ucDAC::kPhase].Items, {0, 1, 2, 19}), (Strings{"20", "0", "0,05", "0,10", "0,95"}));
    EXPECT_EQ(Pick(c.cboDAC[ucDAC::kBaseline].Items, {0, 1, 20, 40}), (Strings{"41", "5", "4,75", "0", "-5"}));
    const Slider& slider = c.slDAC[ucDAC::kAmplitude];
    EXPECT_EQ((std::vector<int32_t>{slider.Min, slider.Max, slider.TickFrequency, slider.LargeChange, slider.Value}),
              (std::vector<int32_t>{-2048, 2048, 410, 410, 1024}));  // a tick per volt
    EXPECT_EQ(c.lstChannels.Items, (Strings{"AO1: DC\tA=2,5 V", "AO2: Sine\tA=1,001 V\tB=-0,5 V"}));
    EXPECT_EQ(c.cboDACType.ListIndex, kDacDc);
    EXPECT_EQ((Strings{c.cboRate[0].Text, c.cboRate[1].Text}), (Strings{"50,5", "0,25"}));
    dac.Rate = 300000.0f;  // more than the generator can make: the default instead
    ucDAC().Page_SaveSetting();
    EXPECT_EQ(dac.Rate, 100.0f);
    // Reopens on the channel edited last, if the module still has it.
    ucDAC().lstChannels_Click(1);
    EXPECT_EQ(ucDAC().Controls().lblDACType.Caption, "AO2 &Type:");
    State().LastDacChannel = 2;
    EXPECT_EQ(ucDAC().CurChannel(), 0);
  });
}

// Noise needs no frequency; a phase offset needs two periodic channels.
TEST_F(UiTest, DacFrequencyAndPhaseFollowBothChannels) {
  struct Case {
    int type0, type1;
    bool frequency, phase;
  };
  const Case cases[] = {{kDacSine, kDacDc, true, false},   {kDacSine, kDacSine, true, true},
                        {kDacNoise, kDacNoise, false, false}, {kDacOff, kDacRamp, true, false},
                        {kDacPulse, kDacTriangle, true, true}, {kDacDc, kDacOff, false, false},
                        {kDacNoise, kDacSine, true, false}};
  WithDac(true, [&](E14_140&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.type0) + "/" + std::to_string(c.type1));
      ucDAC page;
      page.lstChannels_Click(1), page.cboDACType_Click(c.type1);
      page.lstChannels_Click(0), page.cboDACType_Click(c.type0);
      const auto& rate = page.Controls().cboRate;
      EXPECT_EQ((std::vector<bool>{rate[0].Enabled, rate[0].BackColor == kColourWindow, rate[1].Enabled}),
                (std::vector<bool>{c.frequency, c.frequency, c.phase}));
    }
  });
}

// A typed value counts once the field is left: in range it becomes the
// page's (not yet the driver's) value; otherwise a message names the range,
// the value stays, the text stays for correcting, and leaving again asks again.
TEST_F(UiTest, DacTypedValuesAreCheckedWhenTheFieldIsLeft) {
  enum Field { kAmplitude, kBaseline, kFrequency, kPhase };
  struct Case {
    Field field;
    const char* separator;
    const char* text;
    std::optional<float> value;  // code, Hz or periods; none: refused
  };
  const Case cases[] = {
      {kAmplitude, ".", "2.5", 1024.0f}, {kBaseline, ",", "-2,5", -1024.0f}, {kAmplitude, ".", " +2. ", 819.0f},
      {kAmplitude, ".", ".5", 205.0f},   {kFrequency, ".", "1e3", 1e3f},     {kFrequency, ".", "1E-1", 0.1f},
      {kFrequency, ".", "10000", 1e4f},  {kFrequency, ",", "0,02", 0.02f},   {kPhase, ".", "1", 1.0f},
      {kPhase, ".", "0", 0.0f},          {kAmplitude, ".", "5.01", {}},      {kBaseline, ".", "-5.5", {}},
      {kFrequency, ".", "10001", {}},    {kFrequency, ".", "0.01", {}},      {kPhase, ".", "1.01", {}},
      {kPhase, ",", "-0,1", {}},         {kFrequency, ".", "1e40", {}},      {kFrequency, ".", "fast", {}},
      {kAmplitude, ",", "2.5", {}},      {kAmplitude, ".", "2,5", {}},       {kAmplitude, ".", "1,000.5", {}},
      {kAmplitude, ".", "2.5 V", {}},    {kAmplitude, ".", "", {}},          {kAmplitude, ".", " ", {}},
      {kAmplitude, ".", "-", {}},        {kAmplitude, ".", ".", {}},         {kAmplitude, ".", "1e", {}},
      {kAmplitude, ".", "1.2.3", {}},    {kAmplitude, ".", "--1", {}},       {kAmplitude, ".", "0x10", {}},
      {kAmplitude, ".", "inf", {}},      {kAmplitude, ".", "nan", {}},       {kAmplitude, ".", "1 000", {}}};
  WithDac(true, [&](E14_140&) {
    DacInfoRecord& dac = State().DacInfo;
    dac.Rate = 50.0f;
    dac.Channels[0] = dac.Channels[1] = DacChannel{0, kDacSine, 100, 200, 0, 0.5f};
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.text) + " with " + c.separator);
      services->separator = c.separator, services->messages.clear();
      ucDAC page;
      const bool voltage = c.field <= kBaseline;
      const int row = voltage ? c.field : c.field - kFrequency;
      const auto value = [&page, &c] {
        const DacChannel& ch = page.WorkChannels()[0];
        return std::vector<float>{float(ch.Amp), float(ch.Base), page.WorkRate(), ch.Phase}[c.field];
      };
      const float before = value();
      voltage ? page.cboDAC_Change(row, c.text) : page.cboRate_Change(row, c.text);
      EXPECT_EQ(value(), before);
      const auto leave = [&] { return voltage ? page.cboDAC_Validate(row) : page.cboRate_Validate(row); };
      EXPECT_EQ(leave(), c.value.has_value());
      EXPECT_EQ(value(), c.value.value_or(before));
      if (c.value) {
        EXPECT_EQ(voltage ? float(page.Controls().slDAC[row].Value) : value(), *c.value);
      } else {
        EXPECT_FALSE(leave());
        const std::string range =
            voltage ? "-5 to 5 V" : c.field == kPhase ? "0 to 1" : "0" + std::string(c.separator) + "02 to 10000";
        EXPECT_EQ(services->messages, Strings(2, "Please, set the number in range from " + range + "!"));
        EXPECT_EQ((voltage ? page.Controls().cboDAC : page.Controls().cboRate)[row].Text, c.text);
      }
      EXPECT_EQ(services->messages.size(), c.value ? 0u : 2u);
      // Only the first channel's phase is edited, and the driver's values only on OK.
      EXPECT_EQ((std::vector<float>{page.WorkChannels()[1].Phase, float(dac.Channels[0].Amp)}),
                (std::vector<float>{0.5f, 100.0f}));
    }
  });
}

// What a field shows is rounded, and a stored rate may be beyond what may be
// typed: only typed text is checked and applied, else OK could never pass.
TEST_F(UiTest, DacLeavingAFieldNotTypedIntoChangesNothing) {
  WithDac(true, [&](E14_140&) {
    DacInfoRecord& dac = State().DacInfo;
    dac.UnitScale = 6553.4f;  // a finer DAC
    dac.Channels[0] = dac.Channels[1] = DacChannel{0, kDacSine, 1, 0, 0, 1.5f};  // 1 code shows as 0 V
    dac.Rate = 12345.678f;
    ucDAC page;
    EXPECT_EQ(page.Controls().cboDAC[ucDAC::kAmplitude].Text, "0");
    EXPECT_EQ(page.Controls().cboRate[ucDAC::kFrequency].Text, "12345.68");
    for (int row : {0, 1}) EXPECT_TRUE(page.cboDAC_Validate(row) && page.cboRate_Validate(row));
    EXPECT_TRUE(services->messages.empty());
    page.Page_SaveSetting();
    EXPECT_EQ((std::vector<float>{float(dac.Channels[0].Amp), dac.Rate, dac.Channels[0].Phase}),
              (std::vector<float>{1.0f, 12345.678f, 1.5f}));

    // A list choice applies at once and leaves nothing to check; typing does.
    page.cboRate_Click(ucDAC::kFrequency, 0);
    EXPECT_TRUE(page.cboRate_Validate(ucDAC::kFrequency));
    page.cboRate_Change(ucDAC::kFrequency, "20000");
    EXPECT_FALSE(page.cboRate_Validate(ucDAC::kFrequency));
    EXPECT_EQ(page.WorkRate(), 0.02f);
  });
}

TEST_F(UiTest, DacSliderAndListSetTheCode) {
  WithDac(true, [&](E14_140&) {
    ucDAC page;
    const auto& c = page.Controls();
    page.cboDACType_Click(kDacSine), page.slDAC_Scroll(ucDAC::kAmplitude, 410);  // dragging shows the volts only
    EXPECT_EQ((Strings{c.cboDAC[0].Text, c.lstChannels.Items[0]}), (Strings{"1.001", "AO1: Sine\tA=0 V\tB=0 V"}));
    page.slDAC_Change(ucDAC::kAmplitude, 410), page.slDAC_Change(ucDAC::kBaseline, -5000);  // stops at the end
    EXPECT_EQ((Strings{c.cboDAC[1].Text, c.lstChannels.Items[0]}), (Strings{"-5", "AO1: Sine\tA=1.001 V\tB=-5 V"}));
    page.cboDAC_Click(ucDAC::kBaseline, 36);  // -4 V
    EXPECT_EQ((std::vector<int32_t>{page.WorkChannels()[0].Amp, page.WorkChannels()[0].Base,
                                    page.Controls().slDAC[ucDAC::kBaseline].Value}),
              (std::vector<int32_t>{410, -1638, -1638}));
    EXPECT_EQ(page.Controls().lstChannels.Items[0], "AO1: Sine\tA=1.001 V\tB=-3.999 V");
  });
}

TEST_F(UiTest, DacIgnoresEventsOutsideItsControlsOrOnDisabledOnes) {
  WithDac(true, [&](E14_140&) {
    ucDAC page;  // type Off: every field is disabled
    for (int row : {0, 1, 2, -1}) {
      page.slDAC_Change(row, 100), page.slDAC_Scroll(row, 100), page.cboDAC_Change(row, "3"), page.cboDAC_Click(row, 3);
      page.cboRate_Change(row, "50"), page.cboRate_Click(row, 3);
      EXPECT_TRUE(page.cboDAC_Validate(row) && page.cboRate_Validate(row));
    }
    page.cboDACType_Click(7), page.cboDACType_Click(-1), page.lstChannels_Click(2), page.cmdDACSet_Click(2);
    EXPECT_EQ((std::vector<int>{page.WorkChannels()[0].Type, page.WorkChannels()[0].Amp, page.WorkChannels()[0].Base,
                                page.CurChannel(), panel->dacStarts + panel->dacStops}),
              (std::vector<int>{kDacOff, 0, 0, 0, 0}));
    EXPECT_EQ(page.Controls().cboDAC[ucDAC::kAmplitude].Text, "0");
    EXPECT_EQ(page.WorkRate(), 100.0f);
  });
}

// Start commits the page (not the channel's live value) and, with a
// generator, builds the wave before the output starts. Without one, only
// Off and DC are offered and the rate is not the page's.
TEST_F(UiTest, DacStartCommitsAndStartsTheOutput) {
  for (bool generator : {true, false}) {
    SCOPED_TRACE(generator);
    *panel = {};
    WithDac(generator, [&](E14_140&) {
      DacInfoRecord& dac = State().DacInfo;
      dac.Rate = 7.0f;
      dac.Channels[0].Type = kDacSine;
      ucDAC page;
      const auto& c = page.Controls();
      EXPECT_EQ((std::vector<int>{int(c.cboDACType.Items.size()), c.cboDACType.ListIndex, c.cboRate[0].Items.empty()}),
                (std::vector<int>{generator ? 7 : 2, generator ? kDacSine : -1, !generator}));
      EXPECT_EQ(c.lstChannels.Items[0], generator ? "AO1: Sine\tA=0 V\tB=0 V" : "AO1: \tA=0 V\tB=0 V");
      const int type = generator ? kDacSine : kDacDc;
      page.cboDACType_Click(type), page.slDAC_Change(ucDAC::kAmplitude, 1000);
      page.cboRate_Change(ucDAC::kFrequency, "50"), page.cboRate_Validate(ucDAC::kFrequency);
      dac.Channels[0].Value = 77;
      page.cmdDACSet_Click(ucDAC::kStart);
      EXPECT_EQ((std::vector<int>{dac.Channels[0].Type, dac.Channels[0].Amp, dac.Channels[0].Value, panel->dacStarts,
                                  panel->waveChannelsAtStart, State().DacWave.empty()}),
                (std::vector<int>{type, 1000, 77, 1, generator ? 2 : 0, !generator}));
      EXPECT_EQ(dac.Rate, generator ? 50.0f : 7.0f);
      page.cmdDACSet_Click(ucDAC::kStop);
      EXPECT_EQ(panel->dacStops, 1);
    });
  }
}

}  // namespace
}  // namespace e14::testing
