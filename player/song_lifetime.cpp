// A song's lifetime: loading a module through the stream layer into a zero-filled Song, and
// freeing everything a song owns once its playback has stopped.
#include <cstdlib>

#include "player/audio_output.h"
#include "player/placeholders.h"
#include "player/player.h"
#include "player/sample_data.h"
#include "player/song_control.h"
#include "player/source.h"
#include "player/xm_loader.h"

namespace {

void FreeInstrumentSamples(Instrument* instrument)
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

}  // namespace

Song* LoadSong(const void* name, SampleLoader sample_loader)
{
    return LoadSongReporting(name, sample_loader, nullptr);
}

Song* LoadSongReporting(const void* name, SampleLoader sample_loader, LoadReport* report)
{
    if (report) *report = LoadReport{};
    SourceStream* stream = OpenStream(name);
    if (!stream) return nullptr;
    Song* song = static_cast<Song*>(calloc(1, sizeof(Song)));
    if (!song) {
        CloseStream(stream);
        return nullptr;
    }
    song->sample_loader = sample_loader;
    bool parsed = ParseModule(song, stream, report);
    CloseStream(stream);
    if (!parsed) {
        FreeSong(song);
        return nullptr;
    }
    return song;
}

bool FreeSong(Song* song)
{
    if (!song) return false;
    // The mixing thread may be inside a block fill that reads this song: wait it out, then
    // stop playback before anything is freed.
    while (block_busy.load()) {}
    StopSong(song);
    ForgetSongControl(song);

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
