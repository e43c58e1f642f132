// The WAV file xm2wav writes: 16-bit stereo PCM at the mix rate, through a safe output file
// (tools/common/output_file.h): a temporary file renamed into place when everything was
// written, or a stream (standard output, a FIFO, a character device) written directly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/output_file.h"

struct WavOutput {
    OutputFile output;
    FILE* file;                    // output.stream
    std::vector<uint8_t> pending;  // PCM gathered for one large write
    int64_t frames_written;
    std::string error;  // set when a write or the final rename failed
};

// The most frames a WAV file holds: its data size is a 32-bit count (about 6 h 45 min at
// 44100 Hz).
constexpr int64_t MAX_WAV_FRAMES = (0xFFFFFFFFll - 36) / 4;

// The canonical 44-byte header for the given frame count.
void MakeWavHeader(uint8_t header[44], int64_t frames, int32_t rate);

// Opens the destination (refusals come before anything is written).
bool OpenWavOutput(WavOutput* out, const std::string& destination, const OutputRules& rules);
// Writes the header for `frames`, the length the render will have: a stream cannot be rewound
// to correct it.
bool WriteWavHeader(WavOutput* out, int64_t frames, int32_t rate);
bool WriteWavFrames(WavOutput* out, const int16_t* pcm, int32_t frames);
// Writes frames at their own place in a file that can be rewound, from frame `first_frame` of
// the data on, without moving the stream's position: processes that share the file may write
// their parts in any order. False with errno set when the write failed. The caller adds the
// frames to frames_written.
bool WriteWavFramesAt(WavOutput* out, int64_t first_frame, const int16_t* pcm, int32_t frames);
// Corrects the header for the frames written (when it can be rewound), closes and renames
// into place.
bool FinishWavOutput(WavOutput* out, int32_t rate);
// Closes and removes the temporary file.
void AbandonWavOutput(WavOutput* out);
