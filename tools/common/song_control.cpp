// The song control: a tick handler around the song's own (the sequencer).
#include "tools/common/song_control.h"

#include <cstring>

#include "player/mixer.h"
#include "player/pattern_access.h"
#include "player/playback.h"
#include "player/sequencer.h"

namespace {

struct ControlState {
    SongControl control;
    TickHandler song_tick;
    bool first_tick;
    bool order_played[MAX_ORDERS];
    int64_t next_tick_frame;  // output frame at which the next tick starts
};
ControlState state;
SongProgress progress;
// The silent channels, changed while the song plays (xmplay's keys).
std::atomic<uint32_t> muted_channels{0};

void SilenceAllVoices()
{
    for (Voice& voice : voices) voice.sample = nullptr;
}

void SilenceMutedChannels(const Song* song)
{
    const uint32_t muted = muted_channels.load(std::memory_order_relaxed);
    if (muted == 0) return;
    int32_t channels = PlayedChannelCount(song);
    for (int32_t c = 0; c < channels && c < 32; ++c) {
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
        state.song_tick(song);
        SilenceMutedChannels(song);
        if (song->order >= 0 && song->order < MAX_ORDERS) state.order_played[song->order] = true;
    }
    state.next_tick_frame = tick_start + TickFrames(song);
}

}  // namespace

void ControlSong(Song* song, const SongControl& control)
{
    if (song->tick_handler != ControlledTick) {
        state.song_tick = song->tick_handler != nullptr ? song->tick_handler : SequencerTick;
    }
    state.control = control;
    muted_channels.store(control.muted_channels);
    state.first_tick = true;
    std::memset(state.order_played, 0, sizeof(state.order_played));
    state.next_tick_frame = 0;
    progress.ended.store(false);
    progress.end_frame.store(-1);
    progress.passes_done.store(0);
    song->tick_handler = ControlledTick;
}

void SetControlledMutedChannels(uint32_t muted) { muted_channels.store(muted); }

uint32_t ControlledMutedChannels() { return muted_channels.load(); }

void ReleaseSongControl(Song* song)
{
    if (song->tick_handler == ControlledTick) song->tick_handler = state.song_tick;
}

const SongProgress& ControlledSongProgress() { return progress; }

int64_t CountSongFrames(Song* song, const SongControl& control, int64_t max_frames, bool* ended)
{
    ControlSong(song, control);
    ResetPlayback(song);
    int64_t frames = 0;
    while (frames < max_frames) {
        song->tick_handler(song);
        if (progress.ended.load()) break;
        frames = state.next_tick_frame;
    }
    *ended = progress.ended.load();
    if (*ended) frames = progress.end_frame.load();
    if (frames > max_frames) frames = max_frames;
    ReleasePlaybackBuffers();
    ReleaseSongControl(song);
    return frames;
}
