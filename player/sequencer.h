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
