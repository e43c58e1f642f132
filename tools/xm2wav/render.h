// Offline rendering: the song from play start, block by block through the player's render
// (the block fill the intro feeds its sound device with), exactly the PCM the intro hands to
// its sound device.
#pragma once

#include <cstdint>

#include "player/player.h"

// Receives each block's PCM (interleaved stereo, frames frames) and the float mix it was
// converted from (the same layout; from a render on several processes, only for a block whose
// PCM reached a 16-bit limit); false stops the render.
typedef bool (*BlockSink)(const int16_t* pcm, const float* mix, int32_t frames, void* context);
// Told the frames rendered so far after every block.
typedef void (*RenderProgress)(int64_t frames_done, const Song* song, void* context);

// Plays the song from its start under its song control, if any, and hands exactly `frames`
// frames to the sink, the last block cut. Returns the frames handed over, or -1 when the sink
// refused a block or the render could not start.
int64_t RenderSong(Song* song, int64_t frames, BlockSink sink, RenderProgress progress,
                   void* context);
