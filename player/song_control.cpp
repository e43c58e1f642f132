// The song control: where a song starts, which channels are heard and where it ends, run by
// the block fill around the song's own tick handler (the sequencer), on whichever thread
// fills the blocks. A song without a control plays exactly as its tick handler alone.
//
// The song ends when it goes back to an order already played in the current pass (the natural
// end wrapping to the restart position, or a jump or break back): the tick at which that happens
// is the first tick of the next pass, and the output frame at which it starts is the exact end
// of the pass. Orders before the start order count as played in the first pass. Pattern loops
// stay within an order and do not end a pass. From the end on, the sequencer is no longer run
// and every voice falls silent at once: the ticks go on, the song stands still.
#include "player/song_control.h"

#include <cstring>

#include "player/mixer.h"
#include "player/pattern_access.h"
#include "player/player.h"
#include "player/sequencer.h"

namespace {

struct ControlState {
    const Song* song;  // the controlled song; none: no song is controlled
    SongControl control;
    bool first_tick;
    bool order_played[MAX_ORDERS];
    int64_t next_tick_frame;  // output frame at which the next tick starts
};
ControlState state;
// Muted channels may change while the song plays (from any thread): read once per tick.
std::atomic<uint32_t> muted_channels{0};
SongProgress progress;

void SilenceAllVoices()
{
    for (Voice& voice : voices) voice.sample = nullptr;
}

void SilenceMutedChannels(const Song* song)
{
    const uint32_t muted = muted_channels.load(std::memory_order_relaxed);
    if (muted == 0) return;
    int32_t channels = PlayedChannelCount(song);
    for (int32_t c = 0; c < channels && c < MAX_CHANNELS; ++c) {
        if ((muted >> c & 1u) == 0) continue;
        // A channel plays on its voice or on the partner voice it hands a fading note to.
        voices[c].sample = nullptr;
        if (c + GHOST_DISTANCE < VOICE_SLOTS) voices[c + GHOST_DISTANCE].sample = nullptr;
    }
}

void StartAtOrder(Song* song)
{
    int32_t start = state.control.start_order;
    if (start <= 0 || start >= SongLength(song)) return;
    song->next_order = start;
    song->next_row = 0;
    for (int32_t order = 0; order < start; ++order) state.order_played[order] = true;
}

// True when this tick takes the song back to an order already played in this pass.
bool GoesBack(const Song* song)
{
    return song->tick == 0 && song->next_order >= 0 && song->next_order < MAX_ORDERS &&
           state.order_played[song->next_order];
}

int64_t TickFrames(const Song* song)
{
    // As the block fill counts them: a tick lasts at least one frame.
    return song->samples_per_tick < 1 ? 1 : song->samples_per_tick;
}

void ResetRun()
{
    state.first_tick = true;
    std::memset(state.order_played, 0, sizeof(state.order_played));
    state.next_tick_frame = 0;
    progress.ended.store(false);
    progress.end_frame.store(-1);
    progress.passes_done.store(0);
}

void ControlledTick(Song* song)
{
    const int64_t tick_start = state.next_tick_frame;
    if (!progress.ended.load()) {
        if (state.first_tick) {
            state.first_tick = false;
            StartAtOrder(song);
        }
        if (GoesBack(song)) {
            int32_t done = progress.passes_done.load() + 1;
            progress.passes_done.store(done);
            if (state.control.passes > 0 && done >= state.control.passes) {
                progress.end_frame.store(tick_start);
                progress.ended.store(true);
            } else {
                std::memset(state.order_played, 0, sizeof(state.order_played));
            }
        }
    }
    if (progress.ended.load()) {
        SilenceAllVoices();
    } else {
        (song->tick_handler != nullptr ? song->tick_handler : SequencerTick)(song);
        SilenceMutedChannels(song);
        if (song->order >= 0 && song->order < MAX_ORDERS) state.order_played[song->order] = true;
    }
    state.next_tick_frame = tick_start + TickFrames(song);
}

}  // namespace

void RunSongTick(Song* song)
{
    if (song == state.song) {
        ControlledTick(song);
    } else if (song->tick_handler != nullptr) {
        song->tick_handler(song);
    }
}

void RestartSongControl(const Song* song)
{
    if (song == state.song) ResetRun();
}

void ForgetSongControl(const Song* song)
{
    if (song == state.song) state.song = nullptr;
}

void ControlSong(Song* song, const SongControl& control)
{
    state.song = song;
    state.control = control;
    muted_channels.store(control.muted_channels);
    ResetRun();
}

void ReleaseSongControl(Song* song) { ForgetSongControl(song); }

void SetControlledMutedChannels(uint32_t muted)
{
    muted_channels.store(muted, std::memory_order_relaxed);
}

uint32_t ControlledMutedChannels() { return muted_channels.load(std::memory_order_relaxed); }

const SongProgress& ControlledSongProgress() { return progress; }

int64_t ControlledTickFrame() { return state.next_tick_frame; }
