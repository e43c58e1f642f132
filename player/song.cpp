// Song lifetime: loading a module through the stream layer, freeing everything it owns, and
// the silent placeholders that stand in for missing samples and instruments.
#include <cstdlib>

#include "player/playback.h"
#include "player/song.h"

Sample silent_sample;
Instrument silent_instrument;

// One zero frame sits before frame 0 so that no read at index -1 leaves the allocation.
constexpr uint32_t LEADING_GUARD_FRAMES = 1;

int16_t* AllocateSampleData(uint32_t frames)
{
    size_t total = size_t(LEADING_GUARD_FRAMES) + frames + SAMPLE_SLACK_FRAMES;
    int16_t* block = static_cast<int16_t*>(calloc(total, sizeof(int16_t)));
    return block ? block + LEADING_GUARD_FRAMES : nullptr;
}

void FreeSampleData(int16_t* data)
{
    if (data) free(data - LEADING_GUARD_FRAMES);
}

Song* LoadSong(const void* name, SampleLoader sample_loader)
{
    SourceStream* stream = OpenStream(name);
    if (!stream) return nullptr;
    Song* song = static_cast<Song*>(calloc(1, sizeof(Song)));
    if (!song) {
        CloseStream(stream);
        return nullptr;
    }
    song->sample_loader = sample_loader;
    bool parsed = ParseModule(song, stream);
    CloseStream(stream);
    if (!parsed) {
        FreeSong(song);
        return nullptr;
    }
    return song;
}

static void FreeInstrumentSamples(Instrument* instrument)
{
    int32_t count = instrument->sample_count;
    if (count > MAX_INSTRUMENT_SAMPLES) count = MAX_INSTRUMENT_SAMPLES;
    for (int32_t j = 0; j < count; j++) {
        Sample* sample = instrument->samples[j];
        if (!sample || sample == &silent_sample) continue;
        FreeSampleData(sample->data);
        free(sample);
    }
}

bool FreeSong(Song* song)
{
    if (!song) return false;
    // The mixing thread may be inside a block fill that reads this song: wait it out, then
    // stop playback before anything is freed.
    while (block_busy.load()) {}
    StopSong(song);

    if (song->instruments) {
        for (int32_t i = 0; i < song->instrument_count; i++) {
            FreeInstrumentSamples(&song->instruments[i]);
        }
        free(song->instruments);
    }
    if (song->patterns) {
        for (int32_t p = 0; p < song->pattern_count; p++) free(song->patterns[p].cells);
        free(song->patterns);
    }
    free(song);
    return true;
}
