// The module player page's program: the intro's player behind a few calls the page's script
// (site/player_page.js) makes on the browser's main thread. A module is loaded as the tools
// load it (the loader's messages are kept for the page to show), played through the intro's
// own device path (PlaySong: waveOut on the web host, the mixing thread, the AudioWorklet),
// with the tools' song control for the end of the song and the silent channels, and rendered
// to WAV exactly as xm2wav renders it without options.
#include <emscripten/emscripten.h>

#include <string>
#include <vector>

#include "player/audio_output.h"
#include "player/audio_settings.h"
#include "player/pattern_access.h"
#include "player/playback.h"
#include "player/song_lifetime.h"
#include "tools/common/heard_block.h"
#include "tools/common/module_file.h"
#include "tools/common/song_choice.h"
#include "tools/common/song_control.h"
#include "tools/common/song_info.h"
#include "tools/xm2wav/render.h"
#include "tools/xm2wav/wav_output.h"

namespace {

// As xm2wav and xmplay: a song that finds no end plays (and renders) this long.
constexpr int64_t MAX_PASS_SECONDS = 30 * 60;
// The WAV goes to the page in pieces of about this size.
constexpr size_t WAV_PIECE_BYTES = 1 << 20;

struct PlayerPage {
    std::vector<uint8_t> bytes;  // the module file, kept for fresh loads
    bool loaded = false;
    std::string messages;  // the loader's lines for the last file, '\n' after each
    std::string title;
    int32_t channels = 0;
    int32_t orders = 0;
    int64_t total_frames = 0;  // 0: the song has no end of its own
    bool ended = true;         // whether CountSongFrames found the end
    uint32_t muted = 0;
    Song* playing = nullptr;
    bool paused = false;
    int32_t last_block = 0;
    int64_t blocks_heard = 0;
    std::vector<uint8_t> piece;
};

PlayerPage page;

void StopPlaying()
{
    if (page.playing == nullptr) return;
    StopSong(page.playing);
    FreeSong(page.playing);
    page.playing = nullptr;
    page.paused = false;
}

SongControl OnePass()
{
    SongControl control;
    control.passes = 1;
    control.muted_channels = page.muted;
    return control;
}

void SendPiece()
{
    if (page.piece.empty()) return;
    MAIN_THREAD_EM_ASM({ OrvantheWav.piece(HEAPU8.slice($0, $0 + $1)); }, page.piece.data(),
                       page.piece.size());
    page.piece.clear();
}

bool TakeBlock(const int16_t* pcm, const float*, int32_t frames, void*)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pcm);
    page.piece.insert(page.piece.end(), bytes, bytes + size_t(frames) * 4);
    if (page.piece.size() >= WAV_PIECE_BYTES) SendPiece();
    return true;
}

}  // namespace

extern "C" {

// A buffer of `length` bytes for the page to copy a file into (freed by player_open).
EMSCRIPTEN_KEEPALIVE uint8_t* player_buffer(int length)
{
    page.bytes.assign(length > 0 ? size_t(length) : 0, 0);
    return page.bytes.data();
}

// Loads the bytes of player_buffer: 1 when the song can be played, 0 when the loader refused
// it (player_messages says why). Stops what was playing.
EMSCRIPTEN_KEEPALIVE int player_open()
{
    StopPlaying();
    page.loaded = false;
    page.messages.clear();
    std::vector<std::string> lines;
    Song* song = LoadChosenModule(page.bytes, SongChoice{}, &lines);
    for (const std::string& line : lines) page.messages += line + "\n";
    if (song == nullptr) return 0;
    page.title = ModuleTitle(page.bytes);
    page.channels = PlayedChannelCount(song);
    page.orders = SongLength(song);
    page.muted = 0;
    page.total_frames = CountSongFrames(song, OnePass(), MAX_PASS_SECONDS * MIX_RATE, &page.ended);
    FreeSong(song);
    if (!page.ended) {
        page.messages += "warning: the song finds no end within " +
                         std::to_string(MAX_PASS_SECONDS / 60) + " minutes per pass: rendering " +
                         FramesAsTime(page.total_frames) + "\n";
    }
    page.loaded = true;
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* player_messages() { return page.messages.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* player_title() { return page.title.c_str(); }
EMSCRIPTEN_KEEPALIVE int player_channels() { return page.channels; }
EMSCRIPTEN_KEEPALIVE int player_orders() { return page.orders; }
EMSCRIPTEN_KEEPALIVE double player_total_frames() { return double(page.total_frames); }

// Plays the loaded song from its start; 0 when there is no song or no sound device.
EMSCRIPTEN_KEEPALIVE int player_play()
{
    StopPlaying();
    if (!page.loaded) return 0;
    // Counting may have changed the song's data (set-finetune): play a fresh load.
    Song* song = LoadModuleBytes(page.bytes, nullptr);
    if (song == nullptr) return 0;
    SongControl control = OnePass();
    // A song without an end of its own plays on for ever.
    if (!page.ended) control.passes = 0;
    ControlSong(song, control);
    page.last_block = 0;
    page.blocks_heard = 0;
    if (!PlaySong(song)) {
        FreeSong(song);
        return 0;
    }
    page.playing = song;
    return 1;
}

EMSCRIPTEN_KEEPALIVE void player_stop() { StopPlaying(); }

EMSCRIPTEN_KEEPALIVE void player_pause(int paused)
{
    if (page.playing == nullptr) return;
    page.paused = paused != 0;
    PauseSong(page.paused);
}

// bit c set: tracker channel c + 1 is silent, from the next tick on.
EMSCRIPTEN_KEEPALIVE void player_set_muted(uint32_t muted)
{
    page.muted = muted;
    SetControlledMutedChannels(muted);
}

// Brings the heard position up to date; 1 while the song plays, 0 once it has been heard to
// its end (it is then stopped) or nothing plays.
EMSCRIPTEN_KEEPALIVE int player_poll()
{
    if (page.playing == nullptr) return 0;
    const int32_t block = PlayingBlock();
    page.blocks_heard += (block - page.last_block + blocks_in_ring) % blocks_in_ring;
    page.last_block = block;
    const SongProgress& progress = ControlledSongProgress();
    if (progress.ended.load() && page.blocks_heard * block_frames >= progress.end_frame.load()) {
        StopPlaying();
        return 0;
    }
    return 1;
}

EMSCRIPTEN_KEEPALIVE int player_order()
{
    return page.playing != nullptr ? sync_ring[PlayingBlock()].order : 0;
}
EMSCRIPTEN_KEEPALIVE int player_row()
{
    return page.playing != nullptr ? sync_ring[PlayingBlock()].row : 0;
}
EMSCRIPTEN_KEEPALIVE int player_peak()
{
    return page.playing != nullptr && !page.paused ? BlockPeak(PlayingBlock()) : 0;
}
EMSCRIPTEN_KEEPALIVE double player_heard_frames()
{
    return double(page.blocks_heard) * block_frames;
}

// The song as xm2wav writes it (with the channels silenced now): the 44-byte header, then the
// PCM, handed to OrvantheWav.piece in pieces. Stops what was playing (the render uses the
// same playback state). 0 when there is no song.
EMSCRIPTEN_KEEPALIVE int player_save_wav()
{
    StopPlaying();
    if (!page.loaded) return 0;
    Song* song = LoadModuleBytes(page.bytes, nullptr);
    if (song == nullptr) return 0;
    page.piece.assign(44, 0);
    MakeWavHeader(page.piece.data(), page.total_frames, MIX_RATE);
    ControlSong(song, OnePass());
    const int64_t rendered = RenderSong(song, page.total_frames, TakeBlock, nullptr, nullptr);
    SendPiece();
    FreeSong(song);
    return rendered == page.total_frames ? 1 : 0;
}

}  // extern "C"
