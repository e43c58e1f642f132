// Loads any bytes as a module through the buffer source, then plays every loaded sample
// through the mixer for a short while: nothing may read or write outside an allocation,
// hang or leak, whatever the input.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "player/mixer.h"
#include "player/song.h"

namespace {

// Starts one voice on the sample at a step and position taken from the input's last bytes,
// and mixes two blocks' worth of frames.
void PlaySample(Sample* sample, uint32_t seed)
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x7FFFFFFF) return 0;
    RegisterBufferSource();
    MemoryBuffer buffer{data, int32_t(size)};
    Song* song = LoadSong(&buffer, nullptr);
    if (!song) return 0;
    uint32_t seed = 0;
    if (size >= 4) memcpy(&seed, data + size - 4, 4);
    for (int32_t i = 0; i < song->instrument_count; i++) {
        Instrument* instrument = &song->instruments[i];
        for (int32_t j = 0; j < instrument->sample_count; j++) {
            PlaySample(instrument->samples[j], seed + uint32_t(i * 16 + j));
        }
    }
    FreeSong(song);
    return 0;
}
