// The modulators: tone portamento, vibrato, tremolo, tremor and the instrument's auto-vibrato.
// The row tick starts some of them and the later ticks run them on; each moves the period or
// leaves its offset in period_delta or volume_delta, and raises the update bit it needs.
#include "player/modulators.h"

#include <cmath>

#include "player/volume.h"

namespace {

constexpr double VIBRATO_ANGLE = static_cast<double>(0.049087375f);
constexpr double AUTO_VIBRATO_ANGLE = static_cast<double>(0.024543688f);

// Waveform magnitude 0..255 at a position −32..31: 0 sine, 1 ramp, anything else square.
int32_t WaveformAmplitude(int32_t waveform, int32_t position)
{
    if (waveform == 0) {
        return static_cast<int32_t>(
            std::fabs(std::sin(static_cast<double>(position) * 2.0 * VIBRATO_ANGLE)) * 256.0);
    }
    if (waveform == 1) {
        int32_t ramp = static_cast<uint8_t>(position * 8);
        return position >= 0 ? ramp : 255 - ramp;
    }
    return 255;
}

// Keeps a waveform position inside −32..31 after it moved on by speed.
int8_t AdvancePosition(int8_t position, uint8_t speed)
{
    int32_t next = position + speed;
    if (next > 31) next -= 64;
    return static_cast<int8_t>(next);
}

}  // namespace

void StepTonePortamento(ChannelState* channel)
{
    int32_t step = 4 * channel->tone_porta_speed;
    if (channel->period < channel->tone_porta_target) {
        channel->period += step;
        if (channel->period > channel->tone_porta_target) {
            channel->period = channel->tone_porta_target;
        }
    } else if (channel->period > channel->tone_porta_target) {
        channel->period -= step;
        if (channel->period < channel->tone_porta_target) {
            channel->period = channel->tone_porta_target;
        }
    }
    channel->update_flags |= UPDATE_FREQUENCY;
}

void ApplyVibrato(ChannelState* channel)
{
    int32_t position = channel->vibrato_position;
    int32_t amplitude = WaveformAmplitude(channel->waveform_control & 0x03, position);
    int32_t d = ((amplitude * channel->vibrato_depth) >> 5) & ~3;
    channel->period_delta = position >= 0 ? -d : d;
    channel->update_flags |= UPDATE_FREQUENCY;
}

void AdvanceVibrato(ChannelState* channel)
{
    channel->vibrato_position = AdvancePosition(channel->vibrato_position, channel->vibrato_speed);
}

void ApplyTremolo(ChannelState* channel)
{
    int32_t position = channel->tremolo_position;
    int32_t waveform = (channel->waveform_control >> 4) & 0x03;
    // The tremolo's waveform 3 is a sine, unlike the vibrato's.
    int32_t amplitude = WaveformAmplitude(waveform == 3 ? 0 : waveform, position);
    int32_t d = (amplitude * channel->tremolo_depth) >> 6;
    if (position >= 0) {
        channel->volume_delta = channel->volume + d > MAX_VOLUME ? MAX_VOLUME - channel->volume : d;
    } else {
        channel->volume_delta = channel->volume - d < 0 ? -channel->volume : -d;
    }
    channel->tremolo_position = AdvancePosition(channel->tremolo_position, channel->tremolo_speed);
    channel->update_flags |= UPDATE_VOLUME;
}

void ApplyTremor(ChannelState* channel)
{
    if (channel->tremor_position >= channel->tremor_on_ticks) {
        channel->volume_delta = -channel->volume;
    }
    channel->tremor_position += 1;
    // A later T row may shorten the cycle below the counter: it restarts rather than running
    // on for 256 ticks.
    if (channel->tremor_position >= channel->tremor_on_ticks + channel->tremor_off_ticks) {
        channel->tremor_position = 0;
    }
    channel->update_flags |= UPDATE_VOLUME;
}

void ApplyAutoVibrato(ChannelState* channel, const Instrument* instrument)
{
    int32_t position = channel->auto_vibrato_position;
    int32_t v;
    switch (instrument->vibrato_type) {
    case 1:  // square
        v = position < 128 ? 64 : -64;
        break;
    case 2:  // ramp down
        v = (128 - ((position + 128) % 256)) >> 1;
        break;
    case 3:  // ramp up
        v = (128 - ((384 - position) % 256)) >> 1;
        break;
    default:  // 0, and the undefined types above 3, play as a sine
        v = static_cast<int32_t>(std::sin(static_cast<double>(position) * AUTO_VIBRATO_ANGLE) *
                                 64.0);
        break;
    }
    v *= instrument->vibrato_depth;
    if (instrument->vibrato_sweep != 0) {
        v = v * channel->auto_vibrato_sweep_ticks / instrument->vibrato_sweep;
    }
    channel->period_delta += v >> 6;
    channel->auto_vibrato_sweep_ticks += 1;
    if (channel->auto_vibrato_sweep_ticks > instrument->vibrato_sweep) {
        channel->auto_vibrato_sweep_ticks = instrument->vibrato_sweep;
    }
    channel->auto_vibrato_position += instrument->vibrato_rate;
    if (channel->auto_vibrato_position > 255) channel->auto_vibrato_position -= 256;
    channel->update_flags |= UPDATE_FREQUENCY;
}
