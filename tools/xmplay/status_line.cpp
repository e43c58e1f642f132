// Formatting the status line.
#include "tools/xmplay/status_line.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "player/player.h"

namespace {

constexpr int METER_WIDTH = 12;
// The meter shows the last 48 dB below full scale, 4 dB per mark.
constexpr double METER_FLOOR_DB = -48.0;
constexpr size_t TITLE_WIDTH = 32;
const char GAP[] = "  ";

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
    std::string meter = "[";
    meter.append(static_cast<size_t>(marks), '#');
    meter.append(static_cast<size_t>(METER_WIDTH - marks), '.');
    meter.append("]");
    return meter;
}

struct Parts {
    std::string title, position, elapsed, total, meter, muted, paused;
};

std::string Join(const Parts& parts, bool meter, bool total, bool title)
{
    std::vector<std::string> shown;
    if (title && !parts.title.empty()) shown.push_back(parts.title);
    shown.push_back(parts.position);
    shown.push_back(parts.elapsed + (total ? parts.total : ""));
    if (meter) shown.push_back(parts.meter);
    if (!parts.muted.empty()) shown.push_back(parts.muted);
    if (!parts.paused.empty()) shown.push_back(parts.paused);
    std::string text;
    for (const std::string& part : shown) {
        if (!text.empty()) text.append(GAP);
        text.append(part);
    }
    return text;
}

}  // namespace

std::string ChannelListText(uint32_t channels_set, int32_t channels)
{
    std::string text;
    for (int32_t c = 0; c < channels && c < 32; ++c) {
        if ((channels_set >> c & 1u) == 0) continue;
        int32_t last = c;
        while (last + 1 < channels && last + 1 < 32 && (channels_set >> (last + 1) & 1u)) ++last;
        if (!text.empty()) text.append(",");
        text.append(std::to_string(c + 1));
        if (last > c) {
            text.append(last == c + 1 ? "," : "-");
            text.append(std::to_string(last + 1));
        }
        c = last;
    }
    return text;
}

std::string FormatStatus(const StatusLine& line, const StatusNow& now, int columns)
{
    Parts parts;
    parts.title = line.title.substr(0, TITLE_WIDTH);
    char position[64];
    std::snprintf(position, sizeof(position), "order %3d/%-3d row %3d", now.order, line.orders - 1,
                  now.row);
    parts.position = position;
    parts.elapsed = Time(now.heard_frames);
    parts.total = " / ";
    parts.total.append(line.total_frames > 0 ? Time(line.total_frames) : "--:--.-");
    parts.meter = Meter(now.peak);
    const std::string muted = ChannelListText(now.muted, now.channels);
    if (!muted.empty()) parts.muted = "mute " + muted;
    if (now.paused) parts.paused = "paused";

    const size_t room = columns > 1 ? static_cast<size_t>(columns - 1) : 0;
    // Dropped in this order as the terminal narrows: the meter, the total, the title.
    const bool keep[][3] = {{true, true, true},
                            {false, true, true},
                            {false, false, true},
                            {false, false, false}};
    std::string text;
    for (const auto& choice : keep) {
        text = Join(parts, choice[0], choice[1], choice[2]);
        if (text.size() <= room) return text;
    }
    return text.substr(0, room);
}
