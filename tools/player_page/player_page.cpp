// The module player page's program: the intro's player behind a few commands of the page's
// script (site/player_page.js). A module is loaded as the tools load it (the loader's messages
// are kept for the page to show), played through the intro's own device path (PlaySong:
// waveOut on the web host, the mixing thread, the AudioWorklet), with the player's song control
// for the end of the song and the silent channels, and rendered to WAV exactly as xm2wav
// renders it.
//
// The commands run on the program's own thread (main, started by the page as a thread of its
// own), never on the browser's main thread: starting and stopping the song start threads and
// wait for them, and a new thread's worker can only be made while the browser's main thread is
// free. Between commands that thread follows the song (what is heard, the end) and publishes
// it in atomics the page reads at any time.
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>

#include <atomic>

#include <string>
#include <vector>

#include "player/player.h"
#include "tools/common/heard_block.h"
#include "tools/common/module_file.h"
#include "tools/common/song_choice.h"
#include "tools/common/song_info.h"
#include "tools/xm2wav/render.h"
#include "tools/xm2wav/wav_output.h"

namespace {

// As xm2wav and xmplay: a song that finds no end plays (and renders) this long.
constexpr int64_t MAX_PASS_SECONDS = 30 * 60;
// The WAV goes to the page in pieces of about this size.
constexpr size_t WAV_PIECE_BYTES = 1 << 20;
// How often the song's position is looked at while nothing is asked.
constexpr double FOLLOW_MS = 20;

enum Command {
    COMMAND_NONE,
    COMMAND_OPEN,
    COMMAND_PLAY,
    COMMAND_STOP,
    COMMAND_PAUSE,
    COMMAND_SAVE
};

struct PlayerPage {
    // The command asked for (written by the page, taken by the program's thread).
    std::atomic<int> command{COMMAND_NONE};
    std::atomic<uint32_t> argument{0};

    // Written by commands only, read by the page once the command is done.
    std::vector<uint8_t> bytes;  // the module file, kept for fresh loads
    bool loaded = false;
    std::string messages;  // the loader's lines for the last file, '\n' after each
    std::string title;
    int32_t channels = 0;
    int32_t orders = 0;
    int64_t total_frames = 0;  // the frames of one pass (or of MAX_PASS_SECONDS)
    bool ended = true;         // whether CountSongFrames found the end

    // The program's thread only.
    Song* playing = nullptr;
    bool paused = false;
    std::vector<uint8_t> piece;

    // What is heard now, for the page.
    std::atomic<int> is_playing{0};
    std::atomic<int> order{0};
    std::atomic<int> row{0};
    std::atomic<int> peak{0};
    std::atomic<int64_t> heard_frames{0};
};

PlayerPage page;

SongControl OnePass(uint32_t muted)
{
    SongControl control;
    control.passes = 1;
    control.muted_channels = muted;
    return control;
}

void StopPlaying()
{
    page.is_playing.store(0);
    if (page.playing == nullptr) return;
    StopSong(page.playing);
    FreeSong(page.playing);
    page.playing = nullptr;
    page.paused = false;
}

int Open()
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
    page.total_frames = CountSongFrames(song, OnePass(0), MAX_PASS_SECONDS * MIX_RATE, &page.ended);
    FreeSong(song);
    if (!page.ended) {
        page.messages += "warning: the song finds no end within " +
                         std::to_string(MAX_PASS_SECONDS / 60) + " minutes per pass: rendering " +
                         FramesAsTime(page.total_frames) + "\n";
    }
    page.loaded = true;
    return 1;
}

// From the start, with these channels silent; 0 when there is no song or no sound device.
int Play(uint32_t muted)
{
    StopPlaying();
    if (!page.loaded) return 0;
    // Counting may have changed the song's data (set-finetune): play a fresh load.
    Song* song = LoadModuleBytes(page.bytes, nullptr);
    if (song == nullptr) return 0;
    SongControl control = OnePass(muted);
    // A song without an end of its own plays on for ever.
    if (!page.ended) control.passes = 0;
    ControlSong(song, control);
    page.heard_frames.store(0);
    if (!PlaySong(song)) {
        FreeSong(song);
        return 0;
    }
    page.playing = song;
    page.is_playing.store(1);
    return 1;
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

// The song as xm2wav writes it with these channels silent: the 44-byte header, then the PCM,
// handed to OrvantheWav.piece in pieces. Stops what was playing (the render uses the same
// playback state). 0 when there is no song.
int Save(uint32_t muted)
{
    StopPlaying();
    if (!page.loaded) return 0;
    Song* song = LoadModuleBytes(page.bytes, nullptr);
    if (song == nullptr) return 0;
    page.piece.assign(44, 0);
    MakeWavHeader(page.piece.data(), page.total_frames, MIX_RATE);
    ControlSong(song, OnePass(muted));
    const int64_t rendered = RenderSong(song, page.total_frames, TakeBlock, nullptr, nullptr);
    SendPiece();
    FreeSong(song);
    return rendered == page.total_frames ? 1 : 0;
}

int Run(int command, uint32_t argument)
{
    switch (command) {
    case COMMAND_OPEN: return Open();
    case COMMAND_PLAY: return Play(argument);
    case COMMAND_STOP: StopPlaying(); return 1;
    case COMMAND_PAUSE:
        if (page.playing == nullptr) return 0;
        page.paused = argument != 0;
        PauseSong(page.paused);
        return 1;
    case COMMAND_SAVE: return Save(argument);
    default: return 0;
    }
}

// What is heard now, as xmplay follows it; the song stops once its end has been heard.
void Follow()
{
    if (page.playing == nullptr) return;
    PlayPosition heard{};
    const int16_t* pcm = nullptr;
    int32_t frames = 0;
    if (!HeardPosition(&heard, &pcm, &frames)) return;
    page.heard_frames.store(heard.frame);
    page.order.store(heard.order);
    page.row.store(heard.row);
    page.peak.store(page.paused ? 0 : BlockPeak(pcm, frames));
    const SongProgress& progress = ControlledSongProgress();
    if (progress.ended.load() && heard.frame >= progress.end_frame.load()) StopPlaying();
}

}  // namespace

int main()
{
    for (;;) {
        const int command = page.command.load();
        if (command == COMMAND_NONE) {
            emscripten_futex_wait(&page.command, COMMAND_NONE, FOLLOW_MS);
            Follow();
            continue;
        }
        const int result = Run(command, page.argument.load());
        page.command.store(COMMAND_NONE);
        MAIN_THREAD_ASYNC_EM_ASM({ OrvanthePlayer.done($0); }, result);
    }
}

extern "C" {

// ---- Called by the page: only while no command runs, except where said --------------------

// A buffer of `length` bytes for the page to copy a file into, then to open.
EMSCRIPTEN_KEEPALIVE uint8_t* player_buffer(int length)
{
    page.bytes.assign(length > 0 ? size_t(length) : 0, 0);
    return page.bytes.data();
}

// Starts a command (Command, with its argument: the silent channels for PLAY and SAVE, bit c
// for tracker channel c + 1; 1 to pause or 0 to resume for PAUSE). The page is told the
// result (1 done, 0 not) through OrvanthePlayer.done.
EMSCRIPTEN_KEEPALIVE void player_command(int command, uint32_t argument)
{
    page.argument.store(argument);
    page.command.store(command);
    emscripten_futex_wake(&page.command, 1);
}

// After OPEN: the loader's lines ('\n' after each), the song's title, channels, orders and
// length of one pass in frames.
EMSCRIPTEN_KEEPALIVE const char* player_messages() { return page.messages.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* player_title() { return page.title.c_str(); }
EMSCRIPTEN_KEEPALIVE int player_channels() { return page.channels; }
EMSCRIPTEN_KEEPALIVE int player_orders() { return page.orders; }
EMSCRIPTEN_KEEPALIVE double player_total_frames() { return double(page.total_frames); }
EMSCRIPTEN_KEEPALIVE int player_has_end() { return page.ended ? 1 : 0; }

// At any time: the silent channels of the song playing, from its next tick on.
EMSCRIPTEN_KEEPALIVE void player_set_muted(uint32_t muted) { SetControlledMutedChannels(muted); }

// At any time: what is heard now (within about 20 ms).
EMSCRIPTEN_KEEPALIVE int player_playing() { return page.is_playing.load(); }
EMSCRIPTEN_KEEPALIVE int player_order() { return page.order.load(); }
EMSCRIPTEN_KEEPALIVE int player_row() { return page.row.load(); }
EMSCRIPTEN_KEEPALIVE int player_peak() { return page.peak.load(); }
EMSCRIPTEN_KEEPALIVE double player_heard_frames() { return double(page.heard_frames.load()); }

}  // extern "C"
