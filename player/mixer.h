// The mixer: up to 64 voices resampled with linear interpolation, click-free volume ramps,
// forward and ping-pong loops met at the exact output frame, summed into float stereo; and
// the conversion of that float mix to 16-bit PCM.
#pragma once

#include <cstdint>

#include "song.h"

constexpr int VOICE_SLOTS = 256;
constexpr int MIXED_VOICES = 64;
constexpr int GHOST_DISTANCE = 32;
constexpr uint64_t ZERO_STEP_SUBSTITUTE = 0x17C6F8C;

struct Voice {
    int32_t index;
    int32_t frequency;
    int32_t volume;
    int32_t panning;
    uint32_t start_offset;
    Sample* sample;  // null = idle
    int32_t left_volume;
    int32_t right_volume;
    int32_t position;
    uint32_t position_frac;
    uint32_t step_frac;
    int32_t step;
    int32_t direction;  // 1 forward, anything else backward
    int32_t ramp_left_target;
    int32_t ramp_right_target;
    int32_t current_left;   // 24.8
    int32_t current_right;  // 24.8
    float ramp_left_increment;
    float ramp_right_increment;
    int32_t ramp_remaining;
};

extern Voice voices[VOICE_SLOTS];
// Frames of a volume ramp and their reciprocal: set at every play start from the mix rate
// (128 at 44100 Hz); the tests and the benchmark set other lengths.
extern int32_t ramp_length;
extern float ramp_reciprocal;

void MixVoices(float* out, int32_t frames);
void ConvertToPcm16(int16_t* dst, const float* src, int32_t frames);
