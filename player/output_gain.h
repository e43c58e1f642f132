// The output gain: one factor by which the tools (xm2wav, xmplay, capture) may scale the mix
// of every block just before its conversion to 16-bit PCM, given in decibels before a song
// starts. At 0 dB, the default, the mix is not touched at all, so the PCM is the player's own
// byte for byte.
//
// Set before play start, from the thread that starts it; the block fill (on the mixing thread
// or the caller's) applies it.
#pragma once

#include <cstdint>

constexpr double MIN_OUTPUT_GAIN_DB = -48.0;
constexpr double MAX_OUTPUT_GAIN_DB = 24.0;

// Clamped to MIN_OUTPUT_GAIN_DB..MAX_OUTPUT_GAIN_DB.
void SetOutputGain(double decibels);
double OutputGainDecibels();

// Multiplies `values` floats of a block's mix by the gain; nothing at 0 dB.
void ApplyOutputGain(float* mix, int64_t values);
