// The device path: PlaySong opens the sound device and starts the mixing thread that keeps
// the output ring filled, StopSong ends that thread and gives the device and the buffers back.
// The three flags are how the two threads meet; each is written by one side only.
#pragma once

#include <atomic>

#include "song.h"

extern std::atomic<bool> stop_requested;   // main -> mixing thread
extern std::atomic<bool> block_busy;       // mixing thread -> main: a block fill runs
extern std::atomic<bool> thread_finished;  // mixing thread -> main: it has left its loop

bool PlaySong(Song* song);
bool StopSong(Song* song);
// Pauses or resumes the device while a song plays (the intro never pauses; the terminal player
// does). The mixing thread follows the device's position, so it waits with it.
bool PauseSong(bool paused);
