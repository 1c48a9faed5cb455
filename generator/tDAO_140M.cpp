#include "generator/tDAO_140M.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "driver/DriverState.h"
#include "driver/mTypes3.h"
#include "platform/Platform.h"

namespace e14 {

namespace {

constexpr float kMinRate = 5.0f;
constexpr int kMaxDivider = 8;
// WaveTotal, twice the length, is a 16-bit field too.
constexpr int kMaxWaveLength = std::numeric_limits<int16_t>::max() / 2;
// 3.14159265358979 as written, a few ulps off the double nearest pi: the
// sine points depend on these exact bits.
constexpr double kPi = 3.14159265358979;

constexpr int32_t kModulus = 2147483647;
constexpr int32_t kMultiplier = 48271;
// Schrage's factorisation of the modulus (kModulus = kMultiplier * kQ + kR)
// keeps every product within 32 bits.
constexpr int32_t kQ = 44488;
constexpr int32_t kR = 3399;

int16_t ClampToChannel(int32_t sum) {
  const DacInfoRecord& dac = State().DacInfo;
  int32_t code = sum;
  if (sum > dac.ChannelMax) {
    code = dac.ChannelMax;
  } else if (sum < dac.ChannelMin) {
    code = dac.ChannelMin;
  }
  // Limits wider than the 16-bit codes of the buffer cannot be honoured.
  return static_cast<int16_t>(std::clamp<int32_t>(code, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// Base plus Amp scaled by s in [-5, 1]; the sum may exceed 16 bits before
// it is limited.
int16_t ScaledCode(const DacChannel& channel, float s) {
  const float offset = static_cast<float>(channel.Amp) * s;
  return ClampToChannel(channel.Base + static_cast<int32_t>(RoundHalfEven(offset)));
}

// Code of a channel at position t, counted in periods from the start.
int16_t PointCode(const DacChannel& channel, float t) {
  const float frac = t - std::trunc(t);
  switch (channel.Type) {
    case kDacDc:
      return channel.Amp;
    case kDacNoise:
      return ScaledCode(channel, 2.0f * RandomUnit() - 1.0f);
    case kDacSine:
      return ScaledCode(channel, static_cast<float>(std::sin(2.0 * kPi * t)));
    case kDacPulse:
      return ClampToChannel(frac < 0.5f ? channel.Base + channel.Amp : channel.Base - channel.Amp);
    case kDacRamp:
      return ScaledCode(channel, 2.0f * frac - 1.0f);
    case kDacTriangle:
      return ScaledCode(channel, 1.0f - 2.0f * std::abs(1.0f - 2.0f * frac));
    default:
      return 0;
  }
}

bool BufferPossible(const DacInfoRecord& dac) {
  // Rate <= RateMax also keeps a period above 1/8 point, which bounds the
  // search for whole periods.
  return dac.MaxLen > 0 && std::isfinite(dac.RateMax) && dac.RateMax > 0.0f &&
         dac.Rate <= dac.RateMax;
}

// Fastest RateMax / k that is a whole multiple of 10 points per second and
// holds one period in `capacity` points; RateMax / 8 when none does.
float ChooseDevRate(float rateMax, float rate, int capacity) {
  float devRate = rateMax;
  for (int k = 1; k <= kMaxDivider; ++k) {
    devRate = rateMax / static_cast<float>(k);
    if (std::fmod(RoundHalfEven(devRate), 10.0) == 0.0 &&
        devRate / rate <= static_cast<float>(capacity)) {
      break;
    }
  }
  return devRate;
}

// Points of the longest run of whole periods of `period` points that fits
// into `capacity`; one period, cut at `capacity`, when none fits.
int16_t WaveLengthFor(float period, int capacity) {
  int32_t n = 1;
  while (static_cast<float>(n + 1) * period <= static_cast<float>(capacity)) ++n;
  const double length = RoundHalfEven(static_cast<float>(n) * period);
  return static_cast<int16_t>(std::min(length, static_cast<double>(capacity)));
}

void ClearWave(DriverState& s) {
  s.DacInfo.WaveChannels = 0;
  s.DacInfo.WaveLength = 0;
  s.DacInfo.WaveTotal = 0;
  s.DacWave = std::vector<int16_t>();
}

}  // namespace

void BuildDacWave() {
  DriverState& s = State();
  DacInfoRecord& dac = s.DacInfo;
  const bool needsBuffer = std::any_of(dac.Channels.begin(), dac.Channels.end(),
                                       [](const DacChannel& c) { return c.Type > kDacDc; });
  if (!needsBuffer) {
    ClearWave(s);
    return;
  }
  if (dac.Rate < kMinRate) dac.Rate = kMinRate;
  if (!BufferPossible(dac)) {
    ClearWave(s);
    return;
  }

  const int capacity = std::min<int>(dac.MaxLen, kMaxWaveLength);
  dac.DevRate = ChooseDevRate(dac.RateMax, dac.Rate, capacity);
  const float period = dac.DevRate / dac.Rate;
  dac.WaveChannels = kDacChannels;
  dac.WaveLength = WaveLengthFor(period, capacity);
  dac.WaveTotal = static_cast<int16_t>(2 * dac.WaveLength);

  s.DacWave.assign(2 * (static_cast<size_t>(dac.MaxLen) + 1), 0);
  for (int c = 0; c < kDacChannels; ++c) {
    const DacChannel& channel = dac.Channels[c];
    const float phase = std::isfinite(channel.Phase) ? channel.Phase : 0.0f;
    for (int k = 1; k <= dac.WaveLength; ++k) {
      const float t = static_cast<float>(k - 1) / period + phase;
      s.DacWave[c + 2 * k] = PointCode(channel, t);
    }
  }
}

int16_t ClampDacCode(int16_t a, int16_t b) { return ClampToChannel(int32_t{a} + b); }

float RandomUnit() { return static_cast<float>(NextRandom() * 0x1p-31); }

int32_t NextRandom() {
  int32_t& state = State().RandomState;
  if (state == 0 || state == kModulus) SeedRandom();
  const int32_t hi = state / kQ;
  const int32_t lo = state % kQ;
  const int32_t x = kMultiplier * lo - kR * hi;
  state = x > 0 ? x : x + kModulus;
  return state;
}

void SeedRandom() {
  const auto tick = static_cast<int32_t>(platform::TickCount());
  // |INT32_MIN| = 2^31 has no 32-bit value; it is 1 modulo the generator's
  // modulus, an equivalent seed.
  State().RandomState = tick == std::numeric_limits<int32_t>::min() ? 1 : std::abs(tick);
}

}  // namespace e14
