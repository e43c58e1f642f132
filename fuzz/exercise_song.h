// What the fuzz target does with any input, and what its regression test repeats with every
// kept input: load the bytes through the buffer source, as xm2wav and the tools do; play the
// song for a few seconds through the block fill, so that the sequencer, the row commands, the
// tick effects, the envelopes, the voice update and the mixer all run on it; then play every
// loaded sample alone through the mixer at a step, position and volumes taken from the input.
// Nothing may read or write outside an allocation, hang or leak, whatever the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "player/mixer.h"
#include "player/playback.h"
#include "player/player.h"
#include "player/song.h"
#include "player/source.h"

// About 2.5 s of output: 125 blocks of 884 frames.
constexpr int32_t FUZZ_PLAY_BLOCKS = 125;

inline void PlayThroughBlockFill(Song* song, int32_t blocks)
{
    ResetPlayback(song);
    AllocateRingBuffers();
    for (int32_t b = 0; b < blocks; b++) FillBlock();
    ReleasePlaybackBuffers();
}

inline void ExerciseSample(Sample* sample, uint32_t seed)
{
    static float mix[2 * 1768];
    Voice* v = &voices[0];
    *v = Voice{};
    v->sample = sample;
    v->step = static_cast<int32_t>(seed & 0x0F);
    v->step_frac = seed * 2654435761u;
    v->position =
        static_cast<int32_t>((seed >> 8) % (sample->loop_start + sample->loop_length + 1));
    v->direction = 1;
    v->left_volume = 64;
    v->right_volume = static_cast<int32_t>(seed >> 25);
    std::memset(mix, 0, sizeof(mix));
    MixVoices(mix, 1768);
    v->sample = nullptr;
}

// The seed is the input's last four bytes.
inline void ExerciseSamples(Song* song, const uint8_t* input, size_t size)
{
    uint32_t seed = 0;
    if (size >= 4) std::memcpy(&seed, input + size - 4, 4);
    for (int32_t i = 0; i < song->instrument_count; i++) {
        Instrument* instrument = &song->instruments[i];
        for (int32_t j = 0; j < instrument->sample_count; j++) {
            ExerciseSample(instrument->samples[j], seed + static_cast<uint32_t>(i * 16 + j));
        }
    }
}

// The whole of one fuzz input. Returns the loaded song's channel count (0 when it did not
// load), for the regression test to tell loaded inputs from refused ones.
inline int32_t ExerciseInput(const uint8_t* data, size_t size)
{
    if (size > 0x7FFFFFFF) return 0;
    RegisterBufferSource();
    MemoryBuffer buffer{data, static_cast<int32_t>(size)};
    Song* song = LoadSong(&buffer, nullptr);
    if (song == nullptr) return 0;
    int32_t channels = song->channel_count;
    PlayThroughBlockFill(song, FUZZ_PLAY_BLOCKS);
    ExerciseSamples(song, data, size);
    FreeSong(song);
    return channels;
}
