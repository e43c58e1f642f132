// The output gain (output_gain.cpp): the factor SetOutputGain (player.h) sets, applied by the
// block fill to the mix of every block just before its conversion to 16-bit PCM. At 0 dB, the
// default, the mix is not touched at all, so the PCM is the player's own byte for byte.
#pragma once

#include <cstdint>

#include "player/player.h"

// Multiplies `values` floats of a block's mix by the gain; nothing at 0 dB.
void ApplyOutputGain(float* mix, int64_t values);
