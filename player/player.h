// The module player: what a program that loads and plays FastTracker 2 XM modules includes.
// Everything here is called from one thread, the program's own, except where a call says
// otherwise; the player's other headers are for its own files, its tests and benchmarks.
//
// The player holds its state at module level: one song plays at a time, through the sound
// device (PlaySong) or rendered into memory (StartRender), never both at once. All PCM is
// 16-bit stereo, interleaved left then right, at MIX_RATE frames per second.
//
// Playing changes the loaded song: its playback fields (position, tempo, global volume) move,
// and the set-finetune effect (E5y) writes the finetune of the sample it names for the rest of
// the run. A song played once and played again may therefore sound different: to hear a song
// as its file has it (after CountSongFrames, or a second time), load it again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "player/audio_settings.h"  // MIX_RATE: output frames per second (44100)
#include "player/load_report.h"     // LoadReport: what the loader cut from a damaged module
#include "player/song.h"            // Song: the loaded module; read it, never write it
#include "player/xm_format.h"       // the XM file's layout, for reading a module's header

// ---- Loading --------------------------------------------------------------------------------

// Loads a module from bytes in memory (copied: the song keeps no pointer into them). Fills
// `report` when given (zeroed first). None when the loader refuses the module. Replaces the
// registered source callbacks with the player's buffer source.
Song* LoadModuleFromBytes(const uint8_t* bytes, size_t size, LoadReport* report);
// Reads a whole file and loads it as LoadModuleFromBytes does; none when the file cannot be
// read (the report is then empty) or the module is refused.
Song* LoadModuleFromFile(const char* path, LoadReport* report);
// Stops the song's playback (waiting out a block fill in progress) and frees everything it
// owns. False for no song.
bool FreeSong(Song* song);
// Order entries in use: song_length, bounded by the 256 entries of the order table.
int32_t SongLength(const Song* song);
// Tracker channels actually played: channel_count, bounded by the channel table.
int32_t PlayedChannelCount(const Song* song);

// ---- Loading through source callbacks (how the intro loads its embedded module) -------------

typedef void* (*SourceOpen)(const void* name);
typedef void (*SourceClose)(void* handle);
typedef int32_t (*SourceRead)(void* destination, int32_t byte_count, void* handle);
typedef void (*SourceSeek)(void* handle, int32_t offset, int32_t origin);
typedef int32_t (*SourceTell)(void* handle);

// All five given: they become the one source the loader and PlaySong use. Any one missing:
// none is registered, and nothing loads or plays.
void RegisterSourceCallbacks(SourceOpen open, SourceClose close, SourceRead read, SourceSeek seek,
                             SourceTell tell);
// The memory source: the five callbacks over the module registered with RegisterMemoryModule
// (which must outlive every load that reads it). OpenMemorySource opens that module whatever
// name it is given; none before a module is registered.
void RegisterMemoryModule(const uint8_t* data, int32_t size);
void* OpenMemorySource(const void* name);
void CloseMemorySource(void* source);
int32_t ReadMemorySource(void* destination, int32_t byte_count, void* source);
void SeekMemorySource(void* source, int32_t offset, int32_t origin);
int32_t TellMemorySource(void* source);
// Loads the module the registered source opens by `name` (handed to its open callback as it
// is). None when it cannot be opened or parsed. `sample_loader` may be none.
Song* LoadSong(const void* name, SampleLoader sample_loader);
// LoadSong that also fills `report` (zeroed first).
Song* LoadSongReporting(const void* name, SampleLoader sample_loader, LoadReport* report);

// ---- How the song plays: start order, muted channels, end -----------------------------------

struct SongControl {
    int32_t start_order = 0;      // the first order played; the orders before count as played
    int32_t passes = 1;           // passes through the song before it ends; 0: never ends
    uint32_t muted_channels = 0;  // bit c set: tracker channel c + 1 is silent (solo: all but)
};

// Where a controlled song stands; may be read from any thread while it plays.
struct SongProgress {
    std::atomic<bool> ended{false};
    std::atomic<int64_t> end_frame{-1};  // output frame at which the last pass ended
    std::atomic<int32_t> passes_done{0};
};

// Sets how the song plays from its next play start (PlaySong, StartRender) and resets the
// progress; call it while the song does not play. One song is controlled at a time; a song
// without a control plays from order 0, every channel heard, for ever (as the intro plays).
// The song ends when it goes back to an order already played in the current pass; from that
// output frame on it is silent. FreeSong ends the control with the song.
void ControlSong(Song* song, const SongControl& control);
// The song goes back to playing without a control (call it while it does not play).
void ReleaseSongControl(Song* song);
// Changes the muted channels of the controlled song while it plays (from the next tick the
// block fill runs), and tells which they are. Any thread.
void SetControlledMutedChannels(uint32_t muted);
uint32_t ControlledMutedChannels();
const SongProgress& ControlledSongProgress();
// The frames the song lasts under the control, found by running the sequencer without
// mixing, at most `max_frames` (returned when no end comes before); `ended` tells whether the
// end was found. Leaves the song without a control, and played (see above): load it again to
// play it.
int64_t CountSongFrames(Song* song, const SongControl& control, int64_t max_frames, bool* ended);

// ---- Output gain ----------------------------------------------------------------------------

constexpr double MIN_OUTPUT_GAIN_DB = -48.0;
constexpr double MAX_OUTPUT_GAIN_DB = 24.0;
// Scales the mix of every block before its conversion to 16-bit PCM, from the next play start
// (set it before PlaySong or StartRender, from the thread that starts the song); clamped to
// MIN_OUTPUT_GAIN_DB..MAX_OUTPUT_GAIN_DB. At 0 dB, the default, the PCM is the player's own.
void SetOutputGain(double decibels);
double OutputGainDecibels();

// ---- Playing through the sound device -------------------------------------------------------

// Opens the sound device and plays the song from its start on the player's mixing thread,
// about two seconds ahead of the device. False (and silence) without a device, without a
// complete source or without the memory for the output ring.
bool PlaySong(Song* song);
// Ends the mixing thread and gives back the device; false for no song.
bool StopSong(Song* song);
// Pauses or resumes the device while a song plays.
bool PauseSong(bool paused);

// Where a song stands: on the device path, what the device plays now; offline, where the
// rendered PCM ends.
struct PlayPosition {
    int32_t order;
    int32_t row;
    int32_t tick;        // -1 on the device path (a block spans ticks)
    int32_t elapsed_ms;  // the song's own clock: frames mixed, in milliseconds
    int64_t frame;       // output frames heard (device) or rendered (offline) since the start
};
// While PlaySong plays: the position of the block the device plays now, and that block's PCM
// (`frames` frames, valid while it plays). False when nothing plays.
bool HeardPosition(PlayPosition* position, const int16_t** pcm, int32_t* frames);

// ---- Rendering into memory ------------------------------------------------------------------

// Starts the song from its beginning without a device: the same block fill the device path
// runs, so the PCM is byte for byte what PlaySong plays. False without the memory for it.
bool StartRender(Song* song);
// Fills the next block (or hands out what is left of the last one): *pcm points at its frames
// and *mix, when asked for, at the float mix they were converted from (after the output gain,
// the same interleaved layout), both valid until the next render call. Returns the frames
// (884 for a whole block at 44100 Hz), 0 when no render was started.
int32_t RenderBlock(const int16_t** pcm, const float** mix);
// The frames of one block of the block fill (884 at 44100 Hz), from the first play start on.
int32_t RenderBlockFrames();
// Moves the render on by `blocks` whole blocks without mixing them: the song, its channels and
// its voices end where mixing those blocks would have left them, so the next block rendered is
// byte for byte the one a render of every block gives there; far faster than mixing. For a
// renderer that spreads one song over several processes (each started by fork at a block's
// start, after StartRender): each skips to its part and mixes that. Call it when nothing of
// the last block is left to hand out (after StartRender or RenderBlock).
void SkipRenderBlocks(int32_t blocks);
// Writes the next `frames` frames of PCM into `out` (2 x frames values) and returns `frames`;
// 0 when no render was started.
int64_t RenderPcm(int16_t* out, int64_t frames);
// Where the render stands: `frame` counts the frames handed out or skipped; the song's
// position is where the mix stands, which runs up to one block (20 ms) ahead of them.
PlayPosition RenderPosition();
void StopRender();
