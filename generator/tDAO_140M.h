// Waveform generator of the two-channel DAC: fills the cyclic output buffer
// State().DacWave from the channel settings in State().DacInfo.
//
// Arithmetic is binary32 step by step (the sine alone is evaluated in
// binary64) and rounding is half to even, so a build is bit-for-bit
// reproducible on every target.
//
// Guards against limits the device never reports: a MaxLen of 0 or less, a
// RateMax that is not a finite positive number, or a Rate that is not a
// number or exceeds RateMax (less than one point per period) build no buffer:
// WaveChannels, WaveLength and WaveTotal are 0 and DacWave is empty, exactly
// as when both outputs are static. The rate and the periods are chosen for
// at most min(MaxLen, 16383) points, the bound that keeps WaveTotal within 16
// bits; when not even one period fits at the slowest output rate, the buffer
// holds the start of a period, so WaveLength never exceeds that bound. A
// Phase that is not a finite number counts as 0.
#pragma once

#include <cstdint>

namespace e14 {

// Chooses DevRate and WaveLength, raises Rate to 5 Hz when below, and
// rebuilds DacWave (points 1..WaveLength of both channels, interleaved). DC
// outputs Amp as it is, every other waveform is limited to the channel's
// code range.
void BuildDacWave();

// a + b limited to the channel's code range [ChannelMin, ChannelMax].
int16_t ClampDacCode(int16_t a, int16_t b);

// Next pseudo-random number scaled into (0, 1], rounded to binary32.
float RandomUnit();

// Advances the minimal-standard generator (multiplier 48271, modulus
// 2^31 - 1) and returns the new RandomState; seeds it first when it holds 0
// or 2147483647.
int32_t NextRandom();

// RandomState = |millisecond tick count| as a signed 32-bit number.
void SeedRandom();

}  // namespace e14
