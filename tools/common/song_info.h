// What `--info` shows of a module: its names, counts, the instrument and sample names,
// frequency table, start tempo and length.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "player/player.h"

// `frames`: the song's length as CountSongFrames found it; `ended` false when it found no end.
void PrintSongInfo(FILE* to, const std::vector<uint8_t>& bytes, const Song* song, int64_t frames,
                   bool ended);
// "m:ss.mmm" for a number of output frames, to the nearest millisecond.
std::string FramesAsTime(int64_t frames);
