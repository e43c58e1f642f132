// The device path: PlaySong opens the sound device and starts the mixing thread that keeps
// the output ring filled, StopSong ends that thread and gives the device and the buffers back.
// The three flags are how the two threads meet; each is written by one side only.
#pragma once

#include <atomic>

#include "player/player.h"

extern std::atomic<bool> stop_requested;   // main -> mixing thread
extern std::atomic<bool> block_busy;       // mixing thread -> main: a block fill runs
extern std::atomic<bool> thread_finished;  // mixing thread -> main: it has left its loop
// PlaySong, StopSong, PauseSong and HeardPosition are declared in player.h. The mixing thread
// follows the device's position, so a paused device pauses it too.
