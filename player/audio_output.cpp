// Stand-in until the device path lands: no thread ever runs.
#include "player/playback.h"

std::atomic<bool> stop_requested{false};
std::atomic<bool> block_busy{false};
std::atomic<bool> thread_finished{true};

bool PlaySong(Song* song) { return song != nullptr && false; }
bool StopSong(Song* song) { return song != nullptr; }
