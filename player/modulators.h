// The modulators that both the row tick and the later ticks run: tone portamento, vibrato,
// tremolo, tremor and the instrument's auto-vibrato. Each changes the channel's period,
// period_delta, volume_delta or its own position and raises the update bit it needs.
#pragma once

#include "channel.h"
#include "song.h"

// Moves the period toward tone_porta_target by four times the speed, never past it.
void StepTonePortamento(ChannelState* channel);
// The vibrato offset at the current position into period_delta; AdvanceVibrato then moves the
// position on by the vibrato speed.
void ApplyVibrato(ChannelState* channel);
void AdvanceVibrato(ChannelState* channel);
// The tremolo offset into volume_delta, limited so that volume + volume_delta stays in 0..64,
// and the position moved on.
void ApplyTremolo(ChannelState* channel);
// Silences the note for the off ticks of the tremor cycle.
void ApplyTremor(ChannelState* channel);
// The instrument's vibrato added to period_delta, swept in over vibrato_sweep ticks.
void ApplyAutoVibrato(ChannelState* channel, const Instrument* instrument);
