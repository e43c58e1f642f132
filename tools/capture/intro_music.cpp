#include "tools/capture/intro_music.h"

#include "assets/assets.h"
#include "player/player.h"

namespace {

// The longest pass counted; a song that never comes back stops there.
constexpr int64_t MAX_PASS_SECONDS = 30 * 60;

}  // namespace

Song* LoadIntroMusic()
{
    RegisterMemoryModule(embedded_module, EMBEDDED_MODULE_SIZE);
    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
    return LoadSong(embedded_module, nullptr);
}

int64_t IntroMusicPassFrames()
{
    // A load of its own: playing may change the song's data (the set-finetune effect).
    Song* song = LoadIntroMusic();
    if (song == nullptr) return -1;
    bool ended = false;
    const int64_t frames =
        CountSongFrames(song, SongControl{}, MAX_PASS_SECONDS * MIX_RATE, &ended);
    FreeSong(song);
    return frames;
}
