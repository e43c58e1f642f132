// The sequencer (one tick at a time through the order table and the patterns), the tick
// effects and modulators, and the voice update that turns channel state into voice fields.
#pragma once

#include <cstdint>

#include "channel.h"
#include "song.h"

void SequencerTick(Song* song);
void ProcessRow(Song* song);
void ProcessTickEffects(Song* song);
void SetTempo(Song* song, int32_t bpm);

void StepTonePortamento(ChannelState* channel);
void ApplyVibrato(ChannelState* channel);
void ApplyTremolo(ChannelState* channel);
void ApplyTremor(ChannelState* channel);
void ApplyAutoVibrato(ChannelState* channel, const Instrument* instrument);
void UpdateVoice(ChannelState* channel, Sample* sample, const Song* song);

// One envelope tick of a channel: the envelope's points and settings as the instrument gives
// them, the channel's state fields of that envelope, and the update bit to raise.
void StepEnvelope(ChannelState* channel, const EnvelopePoint* points, uint8_t point_count,
                  uint8_t flags, uint8_t sustain_point, uint8_t loop_start, uint8_t loop_end,
                  uint32_t* env_tick, uint32_t* env_point, int32_t* env_fixed, int32_t* env_value,
                  int32_t* env_slope, uint8_t* env_done, uint8_t update_bit);
// The two envelopes of a channel with the instrument's settings.
void StepVolumeEnvelope(ChannelState* channel, const Instrument* instrument);
void StepPanningEnvelope(ChannelState* channel, const Instrument* instrument);

// Where the song reads its cells. An order naming no pattern plays as an empty 64-row
// pattern; a row at or beyond the pattern's rows reads row 0; a pattern without rows has no
// cells (none is returned).
int32_t PatternRowsAt(const Song* song, int32_t order);
const NoteCell* RowCells(const Song* song, int32_t order, int32_t row);
// Tracker channels actually played: channel_count, bounded by the channel table.
int32_t PlayedChannelCount(const Song* song);
