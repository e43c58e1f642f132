// The song information the tools print.
#include "tools/common/song_info.h"

#include "tools/common/module_file.h"

std::string FramesAsTime(int64_t frames)
{
    int64_t ms = frames * 1000 / MIX_RATE;
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
    std::fprintf(to, "frequencies:  %s\n", (song->song_flags & 1) ? "linear" : "Amiga");
    std::fprintf(to, "speed:        %d ticks per row, %d BPM\n", song->default_speed,
                 song->default_bpm);
    std::fprintf(to, "length:       %s (%.3f s, %lld frames)%s\n", FramesAsTime(frames).c_str(),
                 static_cast<double>(frames) / MIX_RATE, static_cast<long long>(frames),
                 ended ? "" : ": no end found, it plays on");
}
