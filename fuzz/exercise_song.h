// Plays every sample of a loaded song through the mixer for two blocks, one voice at a time,
// at a step, position and volumes derived from a seed: what the fuzz target and its
// regression test do with each song that loads.
#pragma once

#include <cstdint>
#include <cstring>

#include "player/mixer.h"
#include "player/song.h"

inline void ExerciseSample(Sample* sample, uint32_t seed)
{
    static float mix[2 * 1768];
    Voice* v = &voices[0];
    *v = Voice{};
    v->sample = sample;
    v->step = int32_t(seed & 0x0F);
    v->step_frac = seed * 2654435761u;
    v->position = int32_t((seed >> 8) % (sample->loop_start + sample->loop_length + 1));
    v->direction = 1;
    v->left_volume = 64;
    v->right_volume = int32_t(seed >> 25);
    memset(mix, 0, sizeof(mix));
    MixVoices(mix, 1768);
    v->sample = nullptr;
}

// The seed is the input's last four bytes.
inline void ExerciseSong(Song* song, const uint8_t* input, size_t size)
{
    uint32_t seed = 0;
    if (size >= 4) memcpy(&seed, input + size - 4, 4);
    for (int32_t i = 0; i < song->instrument_count; i++) {
        Instrument* instrument = &song->instruments[i];
        for (int32_t j = 0; j < instrument->sample_count; j++) {
            ExerciseSample(instrument->samples[j], seed + uint32_t(i * 16 + j));
        }
    }
}
