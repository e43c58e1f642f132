// The level of the block the sound device plays now (HeardPosition in player/player.h hands
// it out), for the players' displays.
#pragma once

#include <cstdint>

// The largest magnitude of the block's samples (frames stereo frames), 0..32768.
int32_t BlockPeak(const int16_t* pcm, int32_t frames);
