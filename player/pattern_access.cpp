// Where the song reads its orders and cells, with every index the song holds checked first.
#include "player/pattern_access.h"

#include <cstddef>

namespace {

// The row an order naming no pattern plays: empty cells for every channel.
const NoteCell EMPTY_ROW[MAX_CHANNELS] = {};

const Pattern* PatternAt(const Song* song, int32_t order)
{
    if (order < 0 || order >= MAX_ORDERS || song->patterns == nullptr) return nullptr;
    int32_t number = song->order_table[order];
    if (number >= song->pattern_count) return nullptr;
    return &song->patterns[number];
}

}  // namespace

int32_t SongLength(const Song* song)
{
    if (song->song_length < 0) return 0;
    return song->song_length > MAX_ORDERS ? MAX_ORDERS : song->song_length;
}

int32_t PatternRowsAt(const Song* song, int32_t order)
{
    const Pattern* pattern = PatternAt(song, order);
    if (pattern == nullptr) return EMPTY_PATTERN_ROWS;
    return pattern->rows;
}

const NoteCell* RowCells(const Song* song, int32_t order, int32_t row)
{
    if (PlayedChannelCount(song) <= 0) return nullptr;
    const Pattern* pattern = PatternAt(song, order);
    if (pattern == nullptr) return EMPTY_ROW;
    if (pattern->cells == nullptr || pattern->rows <= 0) return nullptr;
    if (row < 0 || row >= pattern->rows) row = 0;
    return pattern->cells + static_cast<size_t>(row) * song->channel_count;
}

int32_t PlayedChannelCount(const Song* song)
{
    if (song->channel_count <= 0) return 0;
    return song->channel_count > MAX_CHANNELS ? MAX_CHANNELS : song->channel_count;
}
