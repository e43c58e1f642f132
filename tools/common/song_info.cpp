// The song information the tools print.
#include "tools/common/song_info.h"

#include "tools/common/module_file.h"
#include "tools/common/module_names.h"

namespace {

// Frames as whole milliseconds, rounded to the nearest: every length shown is this one number.
int64_t Milliseconds(int64_t frames) { return (frames * 1000 + MIX_RATE / 2) / MIX_RATE; }

}  // namespace

std::string FramesAsTime(int64_t frames)
{
    int64_t ms = Milliseconds(frames);
    char text[48];
    std::snprintf(text, sizeof(text), "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

void PrintSongInfo(FILE* to, const std::vector<uint8_t>& bytes, const Song* song, int64_t frames,
                   bool ended)
{
    int32_t samples = 0;
    for (int32_t i = 0; i < song->instrument_count; ++i) {
        samples += song->instruments[i].sample_count;
    }
    std::fprintf(to, "title:        %s\n", ModuleTitle(bytes).c_str());
    std::fprintf(to, "tracker:      %s\n", TrackerName(bytes).c_str());
    std::fprintf(to, "channels:     %d\n", song->channel_count);
    std::fprintf(to, "orders:       %d (restart at %d)\n", SongLength(song),
                 song->restart_position);
    std::fprintf(to, "patterns:     %d\n", song->pattern_count);
    std::fprintf(to, "instruments:  %d (%d samples)\n", song->instrument_count, samples);
    for (const PartName& part : InstrumentAndSampleNames(bytes)) {
        if (part.sample == 0) {
            std::fprintf(to, "  instrument %3d:            %s\n", part.instrument,
                         part.name.c_str());
        } else {
            std::fprintf(to, "  instrument %3d sample %2d:  %s\n", part.instrument, part.sample,
                         part.name.c_str());
        }
    }
    std::fprintf(to, "frequencies:  %s\n", (song->song_flags & 1) ? "linear" : "Amiga");
    std::fprintf(to, "speed:        %d ticks per row, %d BPM\n", song->default_speed,
                 song->default_bpm);
    const int64_t ms = Milliseconds(frames);
    std::fprintf(to, "length:       %s (%lld.%03lld s, %lld frames)%s\n", FramesAsTime(frames).c_str(),
                 static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000),
                 static_cast<long long>(frames),
                 ended ? "" : ": no end found, it plays on");
}
