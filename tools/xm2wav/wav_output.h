// The WAV file xm2wav writes: 16-bit stereo PCM at the mix rate, into a temporary file beside
// the destination that is renamed into place only when everything was written (or to
// standard output, for "-").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct WavOutput {
    std::string destination;  // the final path, or "-"
    std::string temporary;    // the file being written; empty for standard output
    FILE* file;
    std::vector<uint8_t> pending;  // PCM gathered for one large write
    int64_t frames_written;
    std::string error;  // set when a write or the final rename failed
};

// The canonical 44-byte header for the given frame count.
void MakeWavHeader(uint8_t header[44], int64_t frames, int32_t rate);

// Opens the destination (a temporary file beside it) and writes a header for `frames`.
bool OpenWavOutput(WavOutput* out, const std::string& destination, int64_t frames, int32_t rate);
bool WriteWavFrames(WavOutput* out, const int16_t* pcm, int32_t frames);
// Fixes the header for the frames written (files only), closes and renames into place.
bool FinishWavOutput(WavOutput* out, int32_t rate);
// Closes and removes the temporary file.
void AbandonWavOutput(WavOutput* out);
