// The settings dialog's models and pages with the driver core underneath,
// on a fake module whose DAC output and TTL inputs the tests watch and drive;
// the desktop is services that record what the pages ask of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "driver/DriverState.h"
#include "driver/E14_140.h"
#include "generator/tDAO_140M.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/FakeBackend.h"
#include "tests/support/FreshThread.h"
#include "ui/NumberText.h"
#include "ui/UiServices.h"
#include "ui/dlgDevEnum.h"
#include "ui/dlgSetup.h"
#include "ui/ucADC.h"
#include "ui/ucDAC.h"
#include "ui/ucDIO.h"
#include "ui/ucGeneral.h"

namespace e14::testing {
namespace {

using Strings = std::vector<std::string>;
using Words = std::vector<int32_t>;

class RecordingServices : public UiServices {
 public:
  void ShowMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
  void OpenHelp(const std::string& file, int32_t topic) override { helps.emplace_back(file, topic); }
  void OpenUrl(const std::string&) override {}
  std::string DecimalSeparator() override { return separator; }

  std::string separator = ".";
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, int32_t>> helps;
};

// What reached the module's DAC output and what its TTL inputs read.
struct Panel {
  int dacStarts = 0, dacStops = 0, waveChannelsAtStart = -1;
  int32_t inputs = 0;
};

class PanelBackend : public FakeBackend {
 public:
  PanelBackend(std::shared_ptr<FakeModule> module, std::shared_ptr<Panel> panel)
      : FakeBackend(std::move(module)), panel_(std::move(panel)) {}
  void StartDacOutput() override {
    ++panel_->dacStarts;
    panel_->waveChannelsAtStart = State().DacInfo.WaveChannels;
  }
  void StopDacOutput() override { ++panel_->dacStops; }
  int32_t ReadTtlInputs() override { return State().DioState.DIValue = panel_->inputs; }

 private:
  std::shared_ptr<Panel> panel_;
};

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallUiServices(services);
    InstallBackendFactory([module = module, panel = panel](int16_t which) -> std::unique_ptr<Backend> {
      return which == 1 ? std::make_unique<PanelBackend>(module, panel) : nullptr;
    });
  }
  void TearDown() override {
    InstallBackendFactory(nullptr);
    InstallUiServices(nullptr);
  }

  // Runs a test body on its own driver state with a driver object that
  // opened the module.
  template <typename Body>
  void WithDriver(Body body) {
    // The driver object saves its settings when it goes: each body starts afresh.
    ForgetDriverSettings();
    InFreshThread([&] {
      E14_140 driver;
      ASSERT_TRUE(driver.IADC3_Test());
      body(driver);
      State().Busy = false;
    });
  }

  // A module with the 12-bit DAC; with `generator` it also streams waveforms.
  template <typename Body>
  void WithDac(bool generator, Body body) {
    module->hasDac = true;
    WithDriver([&](E14_140& driver) {
      State().DacInfo.RateMax = generator ? 200000.0f : 0.0f;
      State().DacInfo.MaxLen = generator ? 5120 : 0;
      body(driver);
    });
  }

  std::shared_ptr<RecordingServices> services = std::make_shared<RecordingServices>();
  std::shared_ptr<FakeModule> module = std::make_shared<FakeModule>();
  std::shared_ptr<Panel> panel = std::make_shared<Panel>();
};

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

// Pages that note their making, commits and destruction by tab key.
struct PageLog {
  Strings created, saved, destroyed;
  Strings failCreate;    // keys whose making throws (once each)
  std::string failSave;  // key whose commit throws
};

struct LoggingPage : SetupPage {
  LoggingPage(std::string name, std::shared_ptr<PageLog> pages) : key(std::move(name)), log(std::move(pages)) {
    log->created.push_back(key);
  }
  ~LoggingPage() override { log->destroyed.push_back(key); }
  void Page_SaveSetting() override {
    if (key == log->failSave) throw std::runtime_error("cannot commit");
    log->saved.push_back(key);
  }
  const std::string key;
  const std::shared_ptr<PageLog> log;
};

dlgSetup::PageFactory LoggingFactory(const std::shared_ptr<PageLog>& log) {
  return [log](const std::string& name) -> std::unique_ptr<SetupPage> {
    const std::string key = name.rfind("Kestrel.uc", 0) == 0 ? name.substr(10) : name;
    if (auto it = std::find(log->failCreate.begin(), log->failCreate.end(), key); it != log->failCreate.end()) {
      log->failCreate.erase(it);
      throw std::runtime_error("no such page");
    }
    return std::make_unique<LoggingPage>(key, log);
  };
}

TEST(dlgSetup, TabsFollowThePartsOfTheOpenModule) {
  const std::pair<std::vector<bool>, const char*> cases[] = {
      {{false, false, false}, "General"},       {{true, false, true}, "General ADC DIO"},
      {{true, true, true}, "General ADC DAC DIO"}, {{true, true, false}, "General ADC DAC"},
      {{false, false, true}, "General DIO"}};
  for (const auto& [parts, keys] : cases) {
    InFreshThread([&, parts = parts, keys = std::string(keys)] {
      State().Detected = parts[0], State().HasDac = parts[1], State().DioState.Detected = parts[2];
      State().AdcInfo.DeviceType = "E14-140";
      dlgSetup dialog(CreateSetupPage, ComponentVersion{3, 2, 8});
      std::string shown;
      for (const auto& tab : dialog.Controls().tabSetup) shown += (shown.empty() ? "" : " ") + tab.Key;
      EXPECT_EQ(shown, keys);
      EXPECT_EQ(dialog.Controls().Caption, "E14-140 Setup (v3.2.8)");
      // Every page opens, also on a module that described none of its parts.
      for (int tab = 1; tab < 4; ++tab) dialog.tabSetup_Click(tab);
      for (int tab = 1; tab < static_cast<int>(dialog.Controls().tabSetup.size()); ++tab)
        EXPECT_NE(dialog.Page(tab), nullptr);
    });
  }
}

// A tab's page is made when the tab is first selected; OK commits the pages
// made, in tab order; every way of closing remembers the tab for next time.
TEST(dlgSetup, PagesAreMadeOnFirstSelectionAndOnlyOkCommitsThem) {
  constexpr int kOk = dlgSetup::kOk, kCancel = dlgSetup::kCancel, kCloseBox = -1;
  struct Case {
    const char* what;
    bool parts;
    int16_t lastPage;  // the tab selected when the dialog last closed
    std::vector<int> tabs;
    int close;
    Strings failCreate;
    std::string failSave;
    Strings created, saved;
    int16_t lastPageAfter;
  };
  const Case cases[] = {
      {"OK", true, 0, {3, 1}, kOk, {}, "", {"General", "DIO", "ADC"}, {"General", "ADC", "DIO"}, 1},
      {"Cancel", true, 0, {2, 0, 2}, kCancel, {}, "", {"General", "DAC"}, {}, 2},
      {"close box", true, 0, {2}, kCloseBox, {}, "", {"General", "DAC"}, {}, 2},
      {"remembered tab", true, 3, {}, kOk, {}, "", {"DIO"}, {"DIO"}, 3},
      {"remembered tab gone", false, 3, {}, kOk, {}, "", {"General"}, {"General"}, 0},
      {"no such tab", true, 0, {4, -1}, kOk, {}, "", {"General"}, {"General"}, 0},
      {"first page made on a second try", true, 0, {}, kOk, {"General"}, "", {"General"}, {"General"}, 0},
      {"made on the next try", true, 0, {1, 0, 1}, kOk, {"ADC"}, "", {"General", "ADC"}, {"General", "ADC"}, 1},
      {"a commit fails", true, 0, {1, 2, 3}, kOk, {}, "ADC", {"General", "ADC", "DAC", "DIO"},
       {"General", "DAC", "DIO"}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InFreshThread([&] {
      State().Detected = State().HasDac = State().DioState.Detected = c.parts;
      State().LastSetupPage = c.lastPage;
      auto log = std::make_shared<PageLog>(PageLog{{}, {}, {}, c.failCreate, c.failSave});
      dlgSetup dialog(LoggingFactory(log));
      EXPECT_TRUE(log->created.empty());
      dialog.Activate();
      for (int tab : c.tabs) dialog.tabSetup_Click(tab);
      EXPECT_EQ(log->created, c.created);
      for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(!dialog.Page(i) || dialog.Page(i)->Visible() == (i == dialog.Controls().SelectedTab)) << i;
      c.close == kCloseBox ? dialog.Unload() : dialog.cmdDialog_Click(c.close);
      EXPECT_EQ(log->saved, c.saved);
      EXPECT_TRUE(dialog.Unloaded() && log->destroyed.size() == log->created.size());
      EXPECT_EQ(State().LastSetupPage, c.lastPageAfter);
      // A closed dialog takes no more events.
      dialog.Activate(), dialog.tabSetup_Click(3), dialog.cmdDialog_Click(dlgSetup::kOk);
      EXPECT_EQ((std::vector<Strings>{log->created, log->saved}), (std::vector<Strings>{c.created, c.saved}));
    });
  }
}

// Help needs a help file name of five characters or more; its topic is the
// digits after the first character of the module's name.
TEST_F(UiTest, HelpOpensTheHelpFileAtTheModulesTopic) {
  const std::pair<const char*, int32_t> topics[] = {{"E-140", 140}, {"E", 0},       {"", 0}, {"1234", 234},
                                                    {"X1Y2Z3", 123}, {"E-", 0}, {"E99999999999", 0}};
  for (const auto& [name, topic] : topics) EXPECT_EQ(dlgSetup::HelpContextFromName(name), topic) << name;
  const std::pair<const char*, bool> files[] = {{"", false}, {"a.hl", false}, {"é.hl", false}, {"e.hlp", true}};
  for (const auto& [file, usable] : files) {
    services->helps.clear();
    InFreshThread([&, file = std::string(file), usable = usable] {
      State().HelpFile = file, State().AdcInfo.Name = "E-140";
      dlgSetup dialog(LoggingFactory(std::make_shared<PageLog>()));
      EXPECT_EQ(dialog.Controls().cmdDialog[dlgSetup::kHelp].Enabled, usable) << file;
      dialog.cmdDialog_Click(dlgSetup::kHelp), dialog.ShowHelp();  // the button, F1
      EXPECT_FALSE(dialog.Unloaded());
    });
    const std::pair<std::string, int32_t> help{file, 140};
    EXPECT_EQ(services->helps, (std::vector<std::pair<std::string, int32_t>>(usable ? 2 : 0, help))) << file;
  }
}

// The driver shows the dialog modally, unless it is recording; what escapes
// the view is shown in a message with its error number.
TEST_F(UiTest, TheDriverShowsTheDialogOnlyWhileNotRecording) {
  E14_140::InstallSettingsDialog(ShowSetupDialog);
  int shown = 0;
  dlgSetup::InstallView([&](dlgSetup& dialog) {
    ++shown;
    dialog.Activate(), dialog.tabSetup_Click(1), dialog.tabSetup_Click(2), dialog.tabSetup_Click(3);
    // Each tab's page, made by its creation name.
    EXPECT_TRUE(dynamic_cast<ucGeneral*>(dialog.Page(0)) && dynamic_cast<ucADC*>(dialog.Page(1)) &&
                dynamic_cast<ucDAC*>(dialog.Page(2)) && dynamic_cast<ucDIO*>(dialog.Page(3)));
    dialog.cmdDialog_Click(dlgSetup::kCancel);
  });
  WithDac(false, [&](E14_140& driver) {
    EXPECT_FALSE(driver.IADC3_ShowSetting());
    EXPECT_EQ(State().LastSetupPage, 3);
    State().Busy = true;
    EXPECT_FALSE(driver.IADC3_ShowSetting());
  });
  EXPECT_EQ(shown, 1);
  E14_140::InstallSettingsDialog(nullptr);
  EXPECT_EQ(CreateSetupPage("ucGeneral"), nullptr);

  const std::pair<dlgSetup::View, Strings> failures[] = {
      {nullptr, {}}, {[](dlgSetup&) { throw std::runtime_error("view broke"); }, {"Error: 51\r\nview broke"}},
      {[](dlgSetup&) { throw std::bad_alloc(); }, {"Error: 7\r\nOut of memory"}},
      {[](dlgSetup&) { throw 42; }, {"Error: 51\r\nInternal error"}}};
  for (const auto& [view, messages] : failures) {
    services->messages.clear();
    dlgSetup::InstallView(view);
    InFreshThread(ShowSetupDialog);
    EXPECT_EQ(services->messages, messages);
  }
  dlgSetup::InstallView(nullptr);
}

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
