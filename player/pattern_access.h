// Where the song reads its orders and cells. An order naming no pattern plays as an empty
// 64-row pattern; a row at or beyond the pattern's rows reads row 0; a pattern without rows has
// no cells (none is returned).
#pragma once

#include <cstdint>

#include "player/player.h"

// SongLength and PlayedChannelCount are declared in player.h.
int32_t PatternRowsAt(const Song* song, int32_t order);
const NoteCell* RowCells(const Song* song, int32_t order, int32_t row);
