// xmplay's one status line: title, order and row, elapsed and total time, a level meter.
#pragma once

#include <cstdint>
#include <string>

struct StatusLine {
    std::string title;
    int32_t orders;        // the song's order count
    int64_t total_frames;  // 0: not known (the song plays for ever)
};

// The line for the song heard now: its order and row (from the sync record of the block the
// device plays), the frames heard so far, the peak of the block heard (0..32768), paused or not.
std::string FormatStatus(const StatusLine& line, int32_t order, int32_t row, int64_t heard_frames,
                         int32_t peak, bool paused);
