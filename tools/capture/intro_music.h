// The intro's music, mixed offline (intro_music.cpp): the embedded module loaded through the
// memory source as the intro's music start loads it, and played from its first row through
// the same block fill that feeds the intro's sound device, one block at a time. The PCM is
// byte for byte what the intro plays (and what xm2wav writes for the embedded module).
#pragma once

#include <cstdint>

struct Song;

// Registers the memory source and loads the embedded module; none when it cannot be loaded.
Song* LoadIntroMusic();
// Frames of one pass through the song, counted on a load of its own as xm2wav's whole-song
// render ends: up to the output frame at which the song goes back to an order it has played.
// -1 when the module cannot be loaded.
int64_t IntroMusicPassFrames();

// Play start without a device: the playback fields, channels and voices reset, the ring and
// the mix buffer allocated. False when the buffers could not be had.
bool StartMusicBlocks(Song* song);
// Mixes the next block; *pcm points at its interleaved 16-bit stereo frames, valid until the
// next call. Returns the block's frame count (884 at 44100 Hz).
int32_t NextMusicBlock(const int16_t** pcm);
void StopMusicBlocks();
