#include "generator/tDAO_140M.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "driver/DriverState.h"
#include "platform/Platform.h"

namespace e14 {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The streaming module: 200000 points/s, 5120 points per channel, 16-bit DAC.
void UseStreamingModule() {
  DriverState& s = State();
  s.DacInfo = DacInfoRecord{};
  s.DacInfo.RateMax = 200000.0f;
  s.DacInfo.MaxLen = 5120;
  s.DacInfo.ChannelMin = -32767;
  s.DacInfo.ChannelMax = 32767;
  s.DacInfo.Rate = 100.0f;
  s.DacWave.clear();
  s.RandomState = 0;
}

void SetChannel(int c, int16_t type, int16_t amp, int16_t base = 0, float phase = 0.0f) {
  DacChannel& channel = State().DacInfo.Channels[c];
  channel.Type = type;
  channel.Amp = amp;
  channel.Base = base;
  channel.Phase = phase;
}

int16_t Point(int c, int k) { return State().DacWave.at(c + 2 * k); }

std::vector<int16_t> Channel(int c) {
  std::vector<int16_t> points;
  for (int k = 1; k <= State().DacInfo.WaveLength; ++k) points.push_back(Point(c, k));
  return points;
}

void ExpectNoBuffer() {
  const DacInfoRecord& dac = State().DacInfo;
  EXPECT_EQ(dac.WaveChannels, 0);
  EXPECT_EQ(dac.WaveLength, 0);
  EXPECT_EQ(dac.WaveTotal, 0);
  EXPECT_TRUE(State().DacWave.empty());
}

// The minimal-standard step computed the slow way, as an oracle for Schrage.
int32_t Step(int64_t state) { return static_cast<int32_t>(state * 48271 % 2147483647); }

class GeneratorTest : public ::testing::Test {
 protected:
  void SetUp() override { UseStreamingModule(); }
};

TEST_F(GeneratorTest, ChoosesTheFastestRateThatHoldsWholePeriods) {
  struct Row {
    float rate, devRate;
    int16_t waveLength;
    float rateAfter;
  };
  for (const Row& row : {Row{100, 200000, 4000, 100}, Row{1000, 200000, 5000, 1000},
                         Row{40, 200000, 5000, 40}, Row{30, 100000, 3333, 30},
                         Row{5, 25000, 5000, 5}, Row{3, 25000, 5000, 5}}) {
    SCOPED_TRACE(row.rate);
    UseStreamingModule();
    SetChannel(0, kDacSine, 1000, 0, 0.25f);
    State().DacInfo.Rate = row.rate;
    BuildDacWave();
    const DacInfoRecord& dac = State().DacInfo;
    EXPECT_EQ(dac.DevRate, row.devRate);
    EXPECT_EQ(dac.WaveLength, row.waveLength);
    EXPECT_EQ(dac.WaveTotal, 2 * row.waveLength);
    EXPECT_EQ(dac.WaveChannels, 2);
    EXPECT_EQ(dac.Rate, row.rateAfter);
    const std::vector<int16_t>& wave = State().DacWave;
    ASSERT_EQ(wave.size(), 2u * 5121u);
    EXPECT_EQ(Point(0, 0), 0);
    EXPECT_EQ(Point(0, 1), 1000);
    EXPECT_TRUE(std::all_of(wave.begin() + 2 * (row.waveLength + 1), wave.end(),
                            [](int16_t v) { return v == 0; }));
  }
}

TEST_F(GeneratorTest, UnusualLimitsKeepTheBufferWithinBounds) {
  struct Row {
    int16_t maxLen;
    float rateMax, rate, devRate;
    int16_t waveLength;
  };
  for (const Row& row : {
           Row{100, 200000, 5, 25000, 100},      // not one period fits: its start
           Row{32767, 200000, 5, 50000, 10000},  // WaveTotal must stay within 16 bits
           Row{1, 200000, 200000, 200000, 1},    // one point per period
           Row{4, 200000, 80000, 200000, 2},     // 2.5 points round half to even
           Row{5120, 21, 5, 10.5f, 5120},        // 10.5 rounds to 10, a multiple of 10
       }) {
    SCOPED_TRACE(row.maxLen);
    UseStreamingModule();
    SetChannel(1, kDacRamp, 1000);
    State().DacInfo.MaxLen = row.maxLen;
    State().DacInfo.RateMax = row.rateMax;
    State().DacInfo.Rate = row.rate;
    BuildDacWave();
    EXPECT_EQ(State().DacInfo.DevRate, row.devRate);
    EXPECT_EQ(State().DacInfo.WaveLength, row.waveLength);
    EXPECT_EQ(State().DacInfo.WaveTotal, 2 * row.waveLength);
    EXPECT_EQ(State().DacWave.size(), 2u * (static_cast<size_t>(row.maxLen) + 1));
  }
}

TEST_F(GeneratorTest, ImpossibleLimitsBuildNoBuffer) {
  struct Row {
    int16_t maxLen;
    float rateMax, rate;
  };
  for (const Row& row : {Row{0, 200000, 100}, Row{-5, 200000, 100}, Row{5120, 0, 100},
                         Row{5120, -1, 100}, Row{5120, kNaN, 100}, Row{5120, kInf, 100},
                         Row{5120, 200000, kNaN}, Row{5120, 200000, kInf},
                         Row{5120, 200000, 250000}}) {
    SCOPED_TRACE(::testing::Message() << row.maxLen << " " << row.rateMax << " " << row.rate);
    UseStreamingModule();
    SetChannel(0, kDacSine, 1000);
    BuildDacWave();
    ASSERT_EQ(State().DacInfo.WaveChannels, 2);
    State().DacInfo.MaxLen = row.maxLen;
    State().DacInfo.RateMax = row.rateMax;
    State().DacInfo.Rate = row.rate;
    BuildDacWave();
    ExpectNoBuffer();
  }
}

TEST_F(GeneratorTest, StaticOutputsDropTheBufferAndKeepTheRate) {
  for (const auto& [type0, type1] : {std::pair{kDacOff, kDacOff}, std::pair{kDacDc, kDacOff},
                                     std::pair{kDacOff, kDacDc}, std::pair{kDacDc, kDacDc}}) {
    SCOPED_TRACE(::testing::Message() << type0 << "/" << type1);
    UseStreamingModule();
    SetChannel(0, kDacSine, 1000);
    BuildDacWave();
    SetChannel(0, type0, 1000);
    SetChannel(1, type1, 1000);
    State().DacInfo.Rate = 3;
    BuildDacWave();
    ExpectNoBuffer();
    EXPECT_EQ(State().DacInfo.Rate, 3);
  }
}

TEST_F(GeneratorTest, ChannelsWithoutAWaveformHoldOneCode) {
  struct Row {
    int16_t type, expected;
  };
  // DC is not limited to the 12-bit range; Off and unknown types give 0.
  for (const Row& row : {Row{kDacDc, 3000}, Row{kDacOff, 0}, Row{7, 0}, Row{-1, 0}, Row{100, 0}}) {
    SCOPED_TRACE(row.type);
    UseStreamingModule();
    State().DacInfo.ChannelMin = -2048;
    State().DacInfo.ChannelMax = 2048;
    SetChannel(0, kDacPulse, 1000);
    SetChannel(1, row.type, 3000, 500, 0.25f);
    BuildDacWave();
    EXPECT_EQ(State().DacInfo.WaveChannels, 2);
    EXPECT_EQ(Channel(1), std::vector<int16_t>(State().DacInfo.WaveLength, row.expected));
  }
}

TEST_F(GeneratorTest, PulseIsHighForTheFirstHalfOfEachPeriod) {
  SetChannel(0, kDacPulse, 1000);
  BuildDacWave();  // 2000 points per period, 2 periods
  for (int k = 1; k <= 4000; ++k) {
    const bool firstHalf = (k - 1) % 2000 < 1000;
    ASSERT_EQ(Point(0, k), firstHalf ? 1000 : -1000) << "point " << k;
  }
}

TEST_F(GeneratorTest, ShapesStartAndPeakWherePhaseSays) {
  struct Row {
    int16_t type;
    float phase;
    int k;  // with 2000 points per period, point k is at t = (k - 1) / 2000
    int16_t expected;
  };
  for (const Row& row : {
           Row{kDacSine, 0.0f, 1, 100},
           Row{kDacSine, 0.0f, 501, 1100},
           Row{kDacSine, 0.25f, 1, 1100},
           Row{kDacSine, 0.25f, 1001, -900},
           Row{kDacTriangle, 0.0f, 1, -900},
           Row{kDacTriangle, 0.0f, 1001, 1100},
           Row{kDacTriangle, 0.0f, 2001, -900},
           Row{kDacTriangle, 0.5f, 1, 1100},
           Row{kDacRamp, 0.0f, 1, -900},
           Row{kDacRamp, 0.0f, 1001, 100},
           Row{kDacRamp, 0.0f, 2000, 1099},
           Row{kDacRamp, 0.0f, 2001, -900},
           Row{kDacPulse, 0.5f, 1, -900},
       }) {
    SCOPED_TRACE(::testing::Message() << "type " << row.type << " phase " << row.phase
                                      << " point " << row.k);
    UseStreamingModule();
    SetChannel(1, row.type, 1000, 100, row.phase);
    BuildDacWave();
    EXPECT_EQ(Point(1, row.k), row.expected);
  }
}

TEST_F(GeneratorTest, CodesRoundHalfToEven) {
  // Ramp at phase 0.25 / 0.75 gives s = -0.5 / 0.5 at point 1.
  struct Row {
    int16_t amp;
    float phase;
    int16_t expected;
  };
  for (const Row& row : {Row{1, 0.75f, 0}, Row{3, 0.75f, 2}, Row{5, 0.75f, 2}, Row{1, 0.25f, 0},
                         Row{3, 0.25f, -2}, Row{5, 0.25f, -2}}) {
    SCOPED_TRACE(::testing::Message() << row.amp << " at " << row.phase);
    UseStreamingModule();
    SetChannel(0, kDacRamp, row.amp, 0, row.phase);
    BuildDacWave();
    EXPECT_EQ(Point(0, 1), row.expected);
  }
}

TEST_F(GeneratorTest, SineCrestsAreCutAtTheChannelLimit) {
  SetChannel(0, kDacSine, 2000, 32000);
  BuildDacWave();
  const std::vector<int16_t> points = Channel(0);
  EXPECT_EQ(Point(0, 501), 32767);  // the crest, not a wrapped sum
  EXPECT_GT(std::count(points.begin(), points.end(), int16_t{32767}), 100);
  EXPECT_EQ(*std::min_element(points.begin(), points.end()), 30000);
}

TEST_F(GeneratorTest, SinePointsAreBitExact) {
  struct Row {
    float rate;
    int16_t amp;
    float phase;
    int k;
    int16_t expected;
  };
  for (const Row& row : {
           // 3333.3333 points per period; each point differs by one code when
           // t or Amp × s is kept in double instead of binary32.
           Row{30, 32767, 0.1f, 884, 24593}, Row{30, 32767, 0.1f, 462, 32678},
           Row{30, 32001, 0.1f, 1127, 12191}, Row{30, 32001, 0.1f, 2043, -31122},
           Row{30, 12345, 0.1f, 2303, -11945},
           // A phase of 1e10 periods magnifies the last bits of the pi
           // constant: the double nearest pi would give 0.
           Row{100, 32767, 1e10f, 1, -2},
           // A phase that is no number counts as 0: the crest at a quarter period.
           Row{100, 1000, kNaN, 501, 1000}, Row{100, 1000, kInf, 501, 1000},
           Row{100, 1000, -kInf, 501, 1000},
       }) {
    SCOPED_TRACE(::testing::Message() << row.amp << " phase " << row.phase << " point " << row.k);
    UseStreamingModule();
    State().DacInfo.Rate = row.rate;
    SetChannel(0, kDacSine, row.amp, 0, row.phase);
    BuildDacWave();
    EXPECT_EQ(Point(0, row.k), row.expected);
  }
}

TEST_F(GeneratorTest, ClampDacCodeSumsIn32BitsAndLimits) {
  struct Row {
    int32_t min, max;
    int16_t a, b, expected;
  };
  for (const Row& row : {Row{-32767, 32767, 32000, 2000, 32767},
                         Row{-32767, 32767, -32000, -2000, -32767},
                         Row{-32767, 32767, 32767, 32767, 32767},
                         Row{-32767, 32767, -32768, -32768, -32767},
                         Row{-32767, 32767, 100, -300, -200}, Row{-2048, 2048, 2000, 100, 2048},
                         Row{-2048, 2048, -2000, -100, -2048}, Row{-2048, 2048, 2048, 0, 2048}}) {
    SCOPED_TRACE(::testing::Message() << row.a << " + " << row.b << " in " << row.max);
    State().DacInfo.ChannelMin = row.min;
    State().DacInfo.ChannelMax = row.max;
    EXPECT_EQ(ClampDacCode(row.a, row.b), row.expected);
  }
}

TEST_F(GeneratorTest, MinimalStandardSequenceAndItsUnitScale) {
  State().RandomState = 1;
  for (int32_t expected : {48271, 182605794, 1291394886, 1914720637, 2078669041}) {
    EXPECT_EQ(NextRandom(), expected);
  }
  // Schrage's factorisation must agree with the plain product everywhere.
  for (int32_t seed : {2147483646, 44488, 44487, 123456789, 1043618065}) {
    State().RandomState = seed;
    int32_t expected = seed;
    for (int i = 0; i < 10000; ++i) {
      expected = Step(expected);
      ASSERT_EQ(NextRandom(), expected) << "seed " << seed << " draw " << i;
    }
    EXPECT_EQ(State().RandomState, expected);
  }
  State().RandomState = 1;
  EXPECT_EQ(RandomUnit(), 48271.0f / 2147483648.0f);
  State().RandomState = 2147483646;  // next 2147435376, rounded to 24 bits
  EXPECT_EQ(RandomUnit(), 0x1.fffd0ep-1f);
}

TEST_F(GeneratorTest, ReseedsFromTheTickCount) {
  for (int32_t state : {0, 2147483647}) {
    SCOPED_TRACE(state);
    State().RandomState = state;
    const uint32_t before = platform::TickCount();
    const int32_t drawn = NextRandom();
    const uint32_t after = platform::TickCount();
    bool fromTick = false;
    for (uint32_t tick = before; tick != after + 1; ++tick) {
      fromTick = fromTick || drawn == Step(std::abs(int64_t{static_cast<int32_t>(tick)}));
    }
    EXPECT_TRUE(fromTick) << drawn;
    EXPECT_EQ(State().RandomState, drawn);
  }
}

TEST_F(GeneratorTest, NoiseTakesOneDrawPerPointChannelByChannel) {
  State().RandomState = 1;
  SetChannel(0, kDacNoise, 1000);
  SetChannel(1, kDacNoise, 1000);
  BuildDacWave();  // 4000 points per channel
  EXPECT_EQ(Point(0, 1), -1000);
  EXPECT_EQ(Point(0, 2), -830);
  EXPECT_EQ(Point(0, 3), 203);
  EXPECT_EQ(Point(1, 1), -661);  // draw 4001
  EXPECT_EQ(Point(1, 2), 218);
  EXPECT_EQ(Point(1, 4000), 346);
}

TEST_F(GeneratorTest, NoiseStaysWithinBasePlusMinusAmpAndChangesPerBuild) {
  SetChannel(0, kDacNoise, 500, 1000);
  BuildDacWave();
  const std::vector<int16_t> first = Channel(0);
  EXPECT_NE(State().RandomState, 0);
  const auto [low, high] = std::minmax_element(first.begin(), first.end());
  EXPECT_GE(*low, 500);
  EXPECT_LE(*high, 1500);
  EXPECT_GT(*high - *low, 900);
  BuildDacWave();
  EXPECT_NE(Channel(0), first);
}

}  // namespace
}  // namespace e14
