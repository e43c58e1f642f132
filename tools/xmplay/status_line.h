// xmplay's one status line: title, order and row, elapsed and total time, a level meter, the
// silent channels and the pause, fitted to the terminal's width.
#pragma once

#include <cstdint>
#include <string>

struct StatusLine {
    std::string title;
    int32_t orders;        // the song's order count
    int64_t total_frames;  // 0: not known (the song plays for ever)
};

// What is heard now: the order and row from the sync record of the block the device plays,
// the frames heard so far, the peak of that block (0..32768), the silent channels (bit c:
// channel c + 1, of `channels`) and the pause.
struct StatusNow {
    int32_t order;
    int32_t row;
    int64_t heard_frames;
    int32_t peak;
    uint32_t muted;
    int32_t channels;
    bool paused;
};

// The line in at most `columns` - 1 characters, so that it never wraps: narrower terminals
// drop the meter, then the total time, then the title, and what still does not fit is cut.
std::string FormatStatus(const StatusLine& line, const StatusNow& now, int columns);
// "1,3,5-8" for the set channels among the first `channels`.
std::string ChannelListText(uint32_t channels_set, int32_t channels);
