// Formatting the status line.
#include "tools/xmplay/status_line.h"

#include <cmath>
#include <cstdio>

#include "player/player.h"

namespace {

constexpr int METER_WIDTH = 12;
// The meter shows the last 48 dB below full scale, 4 dB per mark.
constexpr double METER_FLOOR_DB = -48.0;

std::string Time(int64_t frames)
{
    int64_t tenths = frames * 10 / MIX_RATE;
    char text[32];
    std::snprintf(text, sizeof(text), "%lld:%02lld.%lld", static_cast<long long>(tenths / 600),
                  static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
    return text;
}

std::string Meter(int32_t peak)
{
    int marks = 0;
    if (peak > 0) {
        double db = 20.0 * std::log10(peak / 32768.0);
        marks = static_cast<int>((db - METER_FLOOR_DB) / -METER_FLOOR_DB * METER_WIDTH + 0.5);
        if (marks < 0) marks = 0;
        if (marks > METER_WIDTH) marks = METER_WIDTH;
    }
    return std::string(static_cast<size_t>(marks), '#') +
           std::string(static_cast<size_t>(METER_WIDTH - marks), '.');
}

}  // namespace

std::string FormatStatus(const StatusLine& line, int32_t order, int32_t row, int64_t heard_frames,
                         int32_t peak, bool paused)
{
    char text[160];
    std::snprintf(text, sizeof(text), "order %3d/%-3d row %3d  %s / %s  [%s]%s", order,
                  line.orders - 1, row, Time(heard_frames).c_str(),
                  line.total_frames > 0 ? Time(line.total_frames).c_str() : "--:--.-",
                  Meter(peak).c_str(), paused ? "  paused" : "");
    std::string title = line.title.substr(0, 32);
    return title.empty() ? text : title + "  " + text;
}
