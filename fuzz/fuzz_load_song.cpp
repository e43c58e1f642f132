// Loads any bytes as a module through the buffer source, then plays every loaded sample
// through the mixer for a short while: nothing may read or write outside an allocation,
// hang or leak, whatever the input.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise_song.h"
#include "player/song_lifetime.h"
#include "player/source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x7FFFFFFF) return 0;
    RegisterBufferSource();
    MemoryBuffer buffer{data, int32_t(size)};
    Song* song = LoadSong(&buffer, nullptr);
    if (!song) return 0;
    ExerciseSong(song, data, size);
    FreeSong(song);
    return 0;
}
