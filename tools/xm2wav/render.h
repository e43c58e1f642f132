// Offline rendering: the song from play start through the player's render (the block fill the
// intro feeds its sound device with), handed to a sink in runs of RENDER_CHUNK_FRAMES.
#pragma once

#include <cstdint>

#include "player/player.h"

constexpr int32_t RENDER_CHUNK_FRAMES = 1024;

// Receives each run's PCM (interleaved stereo, frames frames); false stops the render.
typedef bool (*BlockSink)(const int16_t* pcm, int32_t frames, void* context);
// Told the frames rendered so far after every run.
typedef void (*RenderProgress)(int64_t frames_done, const Song* song, void* context);

// Plays the song from its start under its song control, if any, and hands exactly `frames`
// frames to the sink, the last run cut. Returns the frames handed over, or -1 when the sink
// refused a run or the render could not start.
int64_t RenderSong(Song* song, int64_t frames, BlockSink sink, RenderProgress progress,
                   void* context);
