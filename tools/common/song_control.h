// What the tools change in how a song plays, without touching a byte of what the player mixes
// for the channels that play: where it starts, which channels are heard, and where it ends.
// The control wraps the song's tick handler (the sequencer), so the render and the device path
// (the block fill, the mixing thread) run it on whatever thread fills the blocks.
//
// The song ends when it goes back to an order already played in the current pass (the natural
// end wrapping to the restart position, or a jump or break back): the tick at which that happens
// is the first tick of the next pass, and the output frame at which it starts is the exact end
// of the pass. Orders before the start order count as played in the first pass. Pattern loops
// stay within an order and do not end a pass. From the end on, the sequencer is no longer run
// and every voice falls silent at once: the ticks go on, the song stands still.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/song.h"

struct SongControl {
    int32_t start_order = 0;      // the first order played
    int32_t passes = 1;           // passes through the song before it ends; 0: never ends
    uint32_t muted_channels = 0;  // bit c set: tracker channel c + 1 is silent
};

// Where a controlled song stands; read from another thread while the mixing thread plays it.
struct SongProgress {
    std::atomic<bool> ended{false};
    std::atomic<int64_t> end_frame{-1};  // output frame at which the last pass ended
    std::atomic<int32_t> passes_done{0};
};

// Installs the control on the song for its next play start (the song's position is taken from
// the first tick on) and resets the progress. One song is controlled at a time.
void ControlSong(Song* song, const SongControl& control);
// Changes the silent channels of the controlled song while it plays (from any thread): the
// change is heard from the next tick the block fill runs.
void SetControlledMutedChannels(uint32_t muted_channels);
uint32_t ControlledMutedChannels();
// Gives the song its own tick handler back.
void ReleaseSongControl(Song* song);
const SongProgress& ControlledSongProgress();

// The frames the song lasts under the control, found by running the sequencer from the play
// start without mixing, at most `max_frames` (returned when no end comes before). The song's
// playback state is reset; the song data may have been changed by the run (set-finetune), so
// render from a fresh load. `ended` tells whether the end was found.
int64_t CountSongFrames(Song* song, const SongControl& control, int64_t max_frames, bool* ended);
