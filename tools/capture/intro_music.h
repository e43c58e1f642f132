// The intro's music for an offline render (intro_music.cpp): the embedded module loaded
// through the memory source as the intro's music start loads it; the player's StartRender and
// RenderPcm then give, from its first row, byte for byte the PCM the intro plays (and what
// xm2wav writes for the embedded module).
#pragma once

#include <cstdint>

struct Song;

// Registers the memory source and loads the embedded module; none when it cannot be loaded.
Song* LoadIntroMusic();
// Frames of one pass through the song, counted on a load of its own as xm2wav's whole-song
// render ends: up to the output frame at which the song goes back to an order it has played.
// -1 when the module cannot be loaded.
int64_t IntroMusicPassFrames();
