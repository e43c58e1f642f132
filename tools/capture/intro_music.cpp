#include "tools/capture/intro_music.h"

#include "assets/assets.h"
#include "player/audio_settings.h"
#include "player/playback.h"
#include "player/song.h"
#include "player/song_lifetime.h"
#include "player/source.h"
#include "tools/xm2wav/render.h"

namespace {

// The longest song xm2wav renders whole; a song that never comes back stops there too.
constexpr int64_t MAX_PASS_SECONDS = 30 * 60;

bool DiscardBlock(const int16_t*, int32_t, void*) { return true; }

}  // namespace

Song* LoadIntroMusic()
{
    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
    return LoadSong(embedded_module, nullptr);
}

int64_t IntroMusicPassFrames()
{
    // A load of its own: playing may change the song's data (the set-finetune effect).
    Song* song = LoadIntroMusic();
    if (song == nullptr) return -1;
    const RenderLimits limits{MAX_PASS_SECONDS * MIX_RATE, true};
    const int64_t frames = RenderSong(song, limits, DiscardBlock, nullptr, nullptr);
    FreeSong(song);
    return frames;
}

bool StartMusicBlocks(Song* song)
{
    ResetPlayback(song);
    AllocateRingBuffers();
    return sync_ring != nullptr && pcm_ring != nullptr && mix_buffer != nullptr;
}

int32_t NextMusicBlock(const int16_t** pcm)
{
    const int32_t block = write_block;
    FillBlock();
    *pcm = pcm_ring + static_cast<int64_t>(block) * block_frames * 2;
    return block_frames;
}

void StopMusicBlocks() { ReleasePlaybackBuffers(); }
