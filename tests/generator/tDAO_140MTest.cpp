#include "generator/tDAO_140M.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>
#include <vector>

#include "driver/DriverState.h"
#include "platform/Platform.h"

namespace e14 {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The waveform codes a host stores and the generator reads.
enum Wave : int16_t { kOff, kDc, kNoise, kSine, kPulse, kRamp, kTriangle };

// The streaming module (200000 points/s, 5120 points per channel, 16-bit
// DAC) at 100 Hz, both channels set alike; noise drawn from state 1.
DacInfoRecord& UseStreamingModule(int16_t type = kSine, int16_t amp = 1000, int16_t base = 0, float phase = 0) {
  DacInfoRecord& dac = State().DacInfo = DacInfoRecord{};
  std::tie(dac.RateMax, dac.MaxLen, dac.ChannelMin, dac.ChannelMax, dac.Rate) =
      std::tuple(200000.0f, int16_t{5120}, -32767, 32767, 100.0f);
  for (DacChannel& channel : dac.Channels) std::tie(channel.Type, channel.Amp, channel.Base, channel.Phase) =
      std::tuple(type, amp, base, phase);
  State().DacWave.clear();
  State().RandomState = 1;
  return dac;
}

int16_t Point(int c, int k) { return State().DacWave.at(c + 2 * k); }

// The minimal-standard step computed the slow way, as an oracle for Schrage.
int32_t Step(int64_t state) { return static_cast<int32_t>(state * 48271 % 2147483647); }

// The fastest rate RateMax / k that is a multiple of 10 points/s and holds a
// period; as many whole periods as fit; Rate raised to 5 Hz. Point 0 and the
// points past the wave stay 0.
TEST(Generator, ChoosesTheFastestRateThatHoldsWholePeriodsWithinTheBuffer) {
  struct Row {
    int16_t maxLen;
    float rateMax, rate, devRate;
    int16_t waveLength;
    float rateAfter;
  };
  for (const Row& row : {
           Row{5120, 200000, 100, 200000, 4000, 100}, Row{5120, 200000, 1000, 200000, 5000, 1000},
           Row{5120, 200000, 40, 200000, 5000, 40}, Row{5120, 200000, 30, 100000, 3333, 30},
           Row{5120, 200000, 5, 25000, 5000, 5}, Row{5120, 200000, 3, 25000, 5000, 5},
           Row{100, 200000, 5, 25000, 100, 5},         // not one period fits: its start
           Row{32767, 200000, 5, 50000, 10000, 5},     // WaveTotal must stay within 16 bits
           Row{1, 200000, 200000, 200000, 1, 200000},  // one point per period
           Row{4, 200000, 80000, 200000, 2, 80000},    // 2.5 points round half to even
           Row{5120, 21, 5, 10.5f, 5120, 5},           // 10.5 rounds to 10, a multiple of 10
       }) {
    SCOPED_TRACE(::testing::Message() << row.maxLen << " points, " << row.rate << " Hz");
    DacInfoRecord& dac = UseStreamingModule(kRamp);
    std::tie(dac.MaxLen, dac.RateMax, dac.Rate) = std::tuple(row.maxLen, row.rateMax, row.rate);
    BuildDacWave();
    EXPECT_EQ(std::tuple(dac.DevRate, dac.WaveLength, dac.WaveTotal, dac.WaveChannels, dac.Rate),
              std::tuple(row.devRate, row.waveLength, int16_t(2 * row.waveLength), int16_t{2}, row.rateAfter));
    const std::vector<int16_t>& wave = State().DacWave;
    ASSERT_EQ(wave.size(), 2u * (static_cast<size_t>(row.maxLen) + 1));
    EXPECT_EQ(Point(0, 0), 0);
    EXPECT_TRUE(std::all_of(wave.begin() + 2 * (row.waveLength + 1), wave.end(), [](int16_t v) { return v == 0; }));
  }
}

// Static outputs need no buffer (and keep a rate below 5 Hz); limits the
// device never reports build none either.
TEST(Generator, StaticOutputsAndImpossibleLimitsBuildNoBuffer) {
  struct Row {
    int16_t type0, type1, maxLen;
    float rateMax, rate;
  };
  for (const Row& row : {Row{kOff, kOff, 5120, 200000, 3}, Row{kDc, kOff, 5120, 200000, 3},
                         Row{kOff, kDc, 5120, 200000, 3}, Row{kDc, kDc, 5120, 200000, 3},
                         Row{kSine, kSine, 0, 200000, 100}, Row{kSine, kSine, -5, 200000, 100},
                         Row{kSine, kSine, 5120, 0, 100}, Row{kSine, kSine, 5120, -1, 100},
                         Row{kSine, kSine, 5120, kNaN, 100}, Row{kSine, kSine, 5120, kInf, 100},
                         Row{kSine, kSine, 5120, 200000, kNaN}, Row{kSine, kSine, 5120, 200000, kInf},
                         Row{kSine, kSine, 5120, 200000, 250000}}) {
    SCOPED_TRACE(::testing::Message() << row.type0 << "/" << row.type1 << " " << row.maxLen << " " << row.rateMax
                                      << " " << row.rate);
    DacInfoRecord& dac = UseStreamingModule();
    BuildDacWave();
    ASSERT_EQ(dac.WaveChannels, 2);
    std::tie(dac.Channels[0].Type, dac.Channels[1].Type, dac.MaxLen, dac.RateMax, dac.Rate) =
        std::tuple(row.type0, row.type1, row.maxLen, row.rateMax, row.rate);
    BuildDacWave();
    EXPECT_EQ(std::tuple(dac.WaveChannels, dac.WaveLength, dac.WaveTotal, State().DacWave.size()),
              std::tuple(0, 0, 0, 0u));
    if (!std::isnan(row.rate)) {
      EXPECT_EQ(dac.Rate, row.rate);
    }
  }
}

// DC is not limited to the 12-bit range; Off and unknown types give 0.
TEST(Generator, ChannelsWithoutAWaveformHoldOneCode) {
  const std::pair<int16_t, int16_t> cases[] = {{kDc, 3000}, {kOff, 0}, {7, 0}, {-1, 0}, {100, 0}};
  for (const auto& [type, expected] : cases) {
    SCOPED_TRACE(type);
    DacInfoRecord& dac = UseStreamingModule(kPulse);
    std::tie(dac.ChannelMin, dac.ChannelMax) = std::tuple(-2048, 2048);
    std::tie(dac.Channels[1].Type, dac.Channels[1].Amp, dac.Channels[1].Base) = std::tuple(type, 3000, 500);
    BuildDacWave();
    EXPECT_EQ(dac.WaveChannels, 2);
    for (int k = 1; k <= dac.WaveLength; ++k) ASSERT_EQ(Point(1, k), expected) << k;
  }
}

// With 2000 points per period (100 Hz) point k is at t = (k - 1) / 2000 + phase.
TEST(Generator, WaveformPoints) {
  struct Row {
    int16_t type, amp, base;
    float phase;
    int c, k;
    int16_t expected;
    float rate = 100;
  };
  for (const Row& row : {
           Row{kSine, 1000, 100, 0, 1, 1, 100}, Row{kSine, 1000, 100, 0, 1, 501, 1100},
           Row{kSine, 1000, 100, 0.25f, 1, 1, 1100}, Row{kSine, 1000, 100, 0.25f, 1, 1001, -900},
           Row{kTriangle, 1000, 100, 0, 1, 1, -900}, Row{kTriangle, 1000, 100, 0, 1, 1001, 1100},
           Row{kTriangle, 1000, 100, 0, 1, 2001, -900}, Row{kTriangle, 1000, 100, 0.5f, 1, 1, 1100},
           Row{kRamp, 1000, 100, 0, 1, 1, -900}, Row{kRamp, 1000, 100, 0, 1, 1001, 100},
           Row{kRamp, 1000, 100, 0, 1, 2000, 1099}, Row{kRamp, 1000, 100, 0, 1, 2001, -900},
           // Pulse: high for the first half of each period.
           Row{kPulse, 1000, 0, 0, 0, 1, 1000}, Row{kPulse, 1000, 0, 0, 0, 1000, 1000},
           Row{kPulse, 1000, 0, 0, 0, 1001, -1000}, Row{kPulse, 1000, 0, 0, 0, 2000, -1000},
           Row{kPulse, 1000, 0, 0, 0, 2001, 1000}, Row{kPulse, 1000, 100, 0.5f, 1, 1, -900},
           // Codes round half to even: a ramp at phase 0.75 / 0.25 is +-0.5 at point 1.
           Row{kRamp, 1, 0, 0.75f, 0, 1, 0}, Row{kRamp, 3, 0, 0.75f, 0, 1, 2}, Row{kRamp, 5, 0, 0.75f, 0, 1, 2},
           Row{kRamp, 1, 0, 0.25f, 0, 1, 0}, Row{kRamp, 3, 0, 0.25f, 0, 1, -2}, Row{kRamp, 5, 0, 0.25f, 0, 1, -2},
           // Crests are cut at the channel's limit, not wrapped.
           Row{kSine, 2000, 32000, 0, 0, 501, 32767}, Row{kSine, 2000, 32000, 0, 0, 1501, 30000},
           // 3333.3333 points per period; each point differs by one code when
           // t or Amp x s is kept in double instead of binary32.
           Row{kSine, 32767, 0, 0.1f, 0, 884, 24593, 30}, Row{kSine, 32767, 0, 0.1f, 0, 462, 32678, 30},
           Row{kSine, 32001, 0, 0.1f, 0, 1127, 12191, 30}, Row{kSine, 32001, 0, 0.1f, 0, 2043, -31122, 30},
           Row{kSine, 12345, 0, 0.1f, 0, 2303, -11945, 30},
           // A phase of 1e10 periods magnifies the last bits of the pi
           // constant: the double nearest pi would give 0.
           Row{kSine, 32767, 0, 1e10f, 0, 1, -2},
           // A phase that is no number counts as 0.
           Row{kSine, 1000, 0, kNaN, 0, 501, 1000}, Row{kSine, 1000, 0, kInf, 0, 501, 1000},
           Row{kSine, 1000, 0, -kInf, 0, 501, 1000},
           // Noise takes one draw per point, channel 0's 4000 points first.
           Row{kNoise, 1000, 0, 0, 0, 1, -1000}, Row{kNoise, 1000, 0, 0, 0, 2, -830}, Row{kNoise, 1000, 0, 0, 0, 3, 203},
           Row{kNoise, 1000, 0, 0, 1, 1, -661}, Row{kNoise, 1000, 0, 0, 1, 2, 218}, Row{kNoise, 1000, 0, 0, 1, 4000, 346},
       }) {
    SCOPED_TRACE(::testing::Message() << "type " << row.type << " amp " << row.amp << " phase " << row.phase
                                      << " channel " << row.c << " point " << row.k);
    UseStreamingModule(row.type, row.amp, row.base, row.phase).Rate = row.rate;
    BuildDacWave();
    EXPECT_EQ(Point(row.c, row.k), row.expected);
  }
}

TEST(Generator, ClampDacCodeSumsIn32BitsAndLimits) {
  const std::tuple<int32_t, int16_t, int16_t, int16_t> cases[] = {
      {32767, 32000, 2000, 32767}, {32767, -32000, -2000, -32767}, {32767, 32767, 32767, 32767},
      {32767, -32768, -32768, -32767}, {32767, 100, -300, -200}, {2048, 2000, 100, 2048},
      {2048, -2000, -100, -2048}, {2048, 2048, 0, 2048}};
  for (const auto& [limit, a, b, expected] : cases) {
    std::tie(State().DacInfo.ChannelMin, State().DacInfo.ChannelMax) = std::tuple(-limit, limit);
    EXPECT_EQ(ClampDacCode(a, b), expected) << a << " + " << b << " within " << limit;
  }
}

TEST(Generator, MinimalStandardSequenceAndItsUnitScale) {
  State().RandomState = 1;
  for (int32_t expected : {48271, 182605794, 1291394886, 1914720637, 2078669041}) EXPECT_EQ(NextRandom(), expected);
  // Schrage's factorisation must agree with the plain product everywhere.
  for (int32_t seed : {2147483646, 44488, 44487, 123456789, 1043618065}) {
    State().RandomState = seed;
    int32_t expected = seed;
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(NextRandom(), expected = Step(expected)) << seed << " draw " << i;
    EXPECT_EQ(State().RandomState, expected);
  }
  State().RandomState = 1;
  EXPECT_EQ(RandomUnit(), 48271.0f / 2147483648.0f);
  State().RandomState = 2147483646;  // next 2147435376, rounded to 24 bits
  EXPECT_EQ(RandomUnit(), 0x1.fffd0ep-1f);
}

// A state of 0 or the modulus is seeded from the tick count first.
TEST(Generator, ReseedsFromTheTickCount) {
  for (int32_t state : {0, 2147483647}) {
    State().RandomState = state;
    const uint32_t before = platform::TickCount();
    const int32_t drawn = NextRandom();
    const uint32_t after = platform::TickCount();
    bool fromTick = false;
    for (uint32_t tick = before; tick != after + 1; ++tick)
      fromTick = fromTick || drawn == Step(std::abs(int64_t{static_cast<int32_t>(tick)}));
    EXPECT_TRUE(fromTick) << state << ": " << drawn;
    EXPECT_EQ(State().RandomState, drawn);
  }
}

}  // namespace
}  // namespace e14
