// The instrument envelopes of a channel: one tick of stepping through the points (sustain and
// loop included) and of the fadeout after a key-off, and the jump to a given position that the
// L effect makes. Values are 16.16 fixed point between points; the channel keeps the integer
// part in vol_env_value and pan_env_value.
#include "player/envelope.h"

#include "player/volume.h"

namespace {

// The 16.16 slope from point j to point j + 1. Valid values are 0..64; wider ones (up to
// 65535) are computed in 64 bits and kept to the 32 bits of the 16.16 fields.
int32_t EnvelopeSlope(const EnvelopePoint* points, uint32_t j)
{
    int64_t rise = static_cast<int64_t>(points[j + 1].value) * 65536 -
                   static_cast<int64_t>(points[j].value) * 65536;
    int64_t run = static_cast<int64_t>(points[j + 1].position) - points[j].position;
    return static_cast<int32_t>(run == 0 ? 0 : rise / run);
}

// The integer part of a 16.16 envelope value.
int32_t IntegerPart(int32_t fixed)
{
    return static_cast<int16_t>(static_cast<uint32_t>(fixed) >> 16);
}

}  // namespace

void StepEnvelope(ChannelState* channel, const EnvelopePoint* points, uint8_t point_count,
                  uint8_t flags, uint8_t sustain_point, uint8_t loop_start, uint8_t loop_end,
                  uint32_t* env_tick, uint32_t* env_point, int32_t* env_fixed, int32_t* env_value,
                  int32_t* env_slope, uint8_t* env_done, uint8_t update_bit)
{
    uint32_t n = point_count > MAX_ENVELOPE_POINTS ? MAX_ENVELOPE_POINTS : point_count;
    // A loop starting at no point in use is switched off; the loop end and the sustain point
    // are only ever compared with a point index below n, so they need no guard.
    bool loop_on = (flags & 4) && loop_start < n;
    bool sustain_on = (flags & 2) != 0;
    uint32_t index = *env_point;
    if (index < n) {
        if (points[index].position == *env_tick) {
            if (loop_on && index == loop_end) {
                index = loop_start;
                *env_tick = points[index].position;
            }
            uint32_t j = index;
            if (j == n - 1) {
                *env_point = index;
                *env_value = points[j].value;
                *env_done = 1;
                channel->update_flags |= update_bit;
                return;
            }
            if (sustain_on && j == sustain_point && channel->key_off == 0) {
                *env_point = index;
                *env_value = points[j].value;
                channel->update_flags |= update_bit;
                return;
            }
            *env_slope = EnvelopeSlope(points, j);
            *env_fixed = static_cast<int32_t>(static_cast<uint32_t>(points[j].value) << 16);
            *env_point = j + 1;
        } else {
            *env_fixed = static_cast<int32_t>(static_cast<uint32_t>(*env_fixed) +
                                              static_cast<uint32_t>(*env_slope));
        }
    }
    *env_value = IntegerPart(*env_fixed);
    *env_tick += 1;
    channel->update_flags |= update_bit;
}

void StepVolumeEnvelope(ChannelState* channel, const Instrument* instrument)
{
    StepEnvelope(channel, instrument->volume_envelope, instrument->volume_point_count,
                 instrument->volume_envelope_flags, instrument->volume_sustain_point,
                 instrument->volume_loop_start, instrument->volume_loop_end, &channel->vol_env_tick,
                 &channel->vol_env_point, &channel->vol_env_fixed, &channel->vol_env_value,
                 &channel->vol_env_slope, &channel->vol_env_done, UPDATE_VOLUME);
}

void StepPanningEnvelope(ChannelState* channel, const Instrument* instrument)
{
    StepEnvelope(channel, instrument->panning_envelope, instrument->panning_point_count,
                 instrument->panning_envelope_flags, instrument->panning_sustain_point,
                 instrument->panning_loop_start, instrument->panning_loop_end,
                 &channel->pan_env_tick, &channel->pan_env_point, &channel->pan_env_fixed,
                 &channel->pan_env_value, &channel->pan_env_slope, &channel->pan_env_done,
                 UPDATE_PANNING);
}

void StepEnvelopesAndFadeout(ChannelState* channel, const Instrument* instrument)
{
    if ((instrument->volume_envelope_flags & 1) && channel->vol_env_done == 0) {
        StepVolumeEnvelope(channel, instrument);
    }
    if ((instrument->panning_envelope_flags & 1) && channel->pan_env_done == 0) {
        StepPanningEnvelope(channel, instrument);
    }
    if (channel->key_off == 1) {
        channel->fadeout_volume = AtLeast0(channel->fadeout_volume - instrument->fadeout);
        channel->update_flags |= UPDATE_VOLUME;
    }
}

void SetEnvelopePosition(ChannelState* channel, const Instrument* instrument, uint8_t position)
{
    if (!(instrument->volume_envelope_flags & 1)) return;
    const EnvelopePoint* points = instrument->volume_envelope;
    int32_t n = instrument->volume_point_count;
    if (n > MAX_ENVELOPE_POINTS) n = MAX_ENVELOPE_POINTS;
    if (n == 0) return;
    int32_t j = 0;
    while (j + 1 < n && position > points[j + 1].position) ++j;
    channel->vol_env_point = static_cast<uint32_t>(j);
    if (j >= n - 1) {
        channel->vol_env_value = points[n - 1].value;
        channel->vol_env_done = 1;
        return;
    }
    channel->vol_env_done = 0;
    channel->vol_env_tick = position;
    channel->vol_env_slope = EnvelopeSlope(points, static_cast<uint32_t>(j));
    channel->vol_env_point = static_cast<uint32_t>(j + 1);
    int64_t fixed = (static_cast<int64_t>(position) - points[j].position) * channel->vol_env_slope +
                    static_cast<int64_t>(points[j].value) * 65536;
    channel->vol_env_fixed = static_cast<int32_t>(static_cast<uint32_t>(fixed));
    channel->vol_env_value = IntegerPart(channel->vol_env_fixed);
}
