// The instrument envelopes of a channel: one tick of either envelope (and of the fadeout after
// a key-off), and the volume envelope's jump to a position (effect L).
#pragma once

#include <cstdint>

#include "channel.h"
#include "song.h"

// One envelope tick of a channel: the envelope's points and settings as the instrument gives
// them, the channel's state fields of that envelope, and the update bit to raise.
void StepEnvelope(ChannelState* channel, const EnvelopePoint* points, uint8_t point_count,
                  uint8_t flags, uint8_t sustain_point, uint8_t loop_start, uint8_t loop_end,
                  uint32_t* env_tick, uint32_t* env_point, int32_t* env_fixed, int32_t* env_value,
                  int32_t* env_slope, uint8_t* env_done, uint8_t update_bit);
// The two envelopes of a channel with the instrument's settings.
void StepVolumeEnvelope(ChannelState* channel, const Instrument* instrument);
void StepPanningEnvelope(ChannelState* channel, const Instrument* instrument);
// One tick of both envelopes, each when the instrument has it on and it has not ended, and of
// the fadeout after a key-off.
void StepEnvelopesAndFadeout(ChannelState* channel, const Instrument* instrument);
// Moves the volume envelope to tick `position`, when the instrument's volume envelope is on.
void SetEnvelopePosition(ChannelState* channel, const Instrument* instrument, uint8_t position);
