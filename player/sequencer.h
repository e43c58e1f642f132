// The sequencer: the tick driver installed as a song's tick_handler, the row processing of the
// first tick of every row, and the tempo rule.
#pragma once

#include <cstdint>

#include "song.h"

// One tick: the row on the first tick of a row, the tick effects on the others; then the
// position moves on (row, order, pattern delay).
void SequencerTick(Song* song);
// The row at the song's order and row, channel by channel: notes, instruments, volume column,
// envelopes, the row part of every effect, auto-vibrato and voice update.
void ProcessRow(Song* song);
// Sets bpm and the output frames per tick.
void SetTempo(Song* song, int32_t bpm);
