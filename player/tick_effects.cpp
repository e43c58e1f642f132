// What changes a channel between rows: the tick part of the volume column and the effects on
// every tick after a row's first, and the modulators both kinds of tick use (tone portamento,
// vibrato, tremolo, tremor, envelopes, auto-vibrato).
#include <cmath>

#include "player/sequencer.h"
#include "player/volume.h"

namespace {

// Envelopes hold at most 12 points; counts beyond that are not valid module data.
constexpr uint8_t MAX_ENVELOPE_POINTS = 12;
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

void AdvanceVibrato(ChannelState* channel)
{
    channel->vibrato_position = AdvancePosition(channel->vibrato_position, channel->vibrato_speed);
}

void VolumeSlide(ChannelState* channel)
{
    uint8_t memory = channel->volume_slide_memory;
    if (memory >> 4) {
        channel->volume = AtMost64(channel->volume + (memory >> 4));
    } else {
        channel->volume = AtLeast0(channel->volume - (memory & 0x0F));
    }
    channel->update_flags |= UPDATE_VOLUME;
}

void Arpeggio(ChannelState* channel, const Song* song, const Sample* sample, uint8_t parameter)
{
    if (parameter == 0) return;
    int32_t phase = song->tick % 3;
    int32_t semitones = phase == 1 ? (parameter >> 4) : phase == 2 ? (parameter & 0x0F) : 0;
    if (song->song_flags & 1) {
        channel->period_delta = 64 * semitones;
    } else {
        channel->period_delta =
            AmigaPeriod(static_cast<uint8_t>(channel->real_note + semitones), sample->finetune) -
            AmigaPeriod(channel->real_note, sample->finetune);
    }
    channel->update_flags |= UPDATE_FREQUENCY;
}

void MultiRetrigger(ChannelState* channel, const Song* song)
{
    if (channel->retrigger_interval == 0 || song->tick % channel->retrigger_interval != 0) return;
    if (channel->retrigger_volume_rule == 0) {
        channel->update_flags |= UPDATE_TRIGGER;
        return;
    }
    int32_t v = channel->volume;
    switch (channel->retrigger_volume_rule) {
    case 1: v -= 1; break;
    case 2: v -= 2; break;
    case 3: v -= 4; break;
    case 4: v -= 8; break;
    case 5: v -= 16; break;
    case 6: v = v * 2 / 3; break;
    case 7: v >>= 1; break;
    case 9: v += 1; break;
    case 10: v += 2; break;
    case 11: v += 4; break;
    case 12: v += 8; break;
    case 13: v += 16; break;
    case 14: v = v * 3 / 2; break;
    case 15: v *= 2; break;
    default: break;
    }
    channel->volume = AtMost64(AtLeast0(v));
    channel->update_flags |= UPDATE_VOLUME | UPDATE_TRIGGER;
}

void ExtendedTick(ChannelState* channel, const Song* song, const NoteCell& cell, Sample* sample)
{
    int32_t y = cell.parameter & 0x0F;
    switch (cell.parameter >> 4) {
    case 0x9:
        if (y != 0 && song->tick % y == 0) {
            channel->update_flags |= UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_TRIGGER;
        }
        return;
    case 0xC:
        if (song->tick == y) {
            channel->volume = 0;
            channel->update_flags |= UPDATE_VOLUME;
        }
        return;
    case 0xD:
        if (song->tick == y) {
            ResetChannel(channel, sample);
            channel->update_flags |= UPDATE_FREQUENCY;
            channel->period = channel->note_period;
            if (cell.volume_column != 0) ApplyVolumeColumn(channel, cell.volume_column);
            channel->update_flags |= UPDATE_TRIGGER;
        } else {
            channel->update_flags &= 0xF0;
        }
        return;
    default: return;
    }
}

void VolumeColumnTick(ChannelState* channel, uint8_t byte)
{
    int32_t y = byte & 0x0F;
    switch (byte >> 4) {
    case 0x6:
        channel->volume = AtLeast0(channel->volume - y);
        channel->update_flags |= UPDATE_VOLUME;
        return;
    case 0x7:
        channel->volume = AtMost64(channel->volume + y);
        channel->update_flags |= UPDATE_VOLUME;
        return;
    case 0xB:
        channel->vibrato_depth = static_cast<uint8_t>(y);
        ApplyVibrato(channel);
        AdvanceVibrato(channel);
        return;
    case 0xD:
        channel->panning -= y;
        channel->update_flags |= UPDATE_PANNING;
        return;
    case 0xE:
        channel->panning += y;
        channel->update_flags |= UPDATE_PANNING;
        return;
    case 0xF: StepTonePortamento(channel); return;
    default: return;
    }
}

void EffectTick(ChannelState* channel, Song* song, const NoteCell& cell, Sample* sample)
{
    switch (cell.effect) {
    case 0x0: Arpeggio(channel, song, sample, cell.parameter); return;
    case 0x1:
        channel->period -= 4 * channel->porta_up_memory;
        channel->period_delta = 0;
        if (channel->period < 56) channel->period = 56;
        channel->update_flags |= UPDATE_FREQUENCY;
        return;
    case 0x2:
        channel->period += 4 * channel->porta_down_memory;
        channel->period_delta = 0;
        channel->update_flags |= UPDATE_FREQUENCY;
        return;
    case 0x3:
        channel->period_delta = 0;
        StepTonePortamento(channel);
        return;
    case 0x4:
        ApplyVibrato(channel);
        AdvanceVibrato(channel);
        return;
    case 0x5:
        channel->period_delta = 0;
        StepTonePortamento(channel);
        VolumeSlide(channel);
        return;
    case 0x6:
        ApplyVibrato(channel);
        AdvanceVibrato(channel);
        VolumeSlide(channel);
        return;
    case 0x7: ApplyTremolo(channel); return;
    case 0xA: VolumeSlide(channel); return;
    case 0xE: ExtendedTick(channel, song, cell, sample); return;
    case 17: {  // H: global volume slide
        uint8_t memory = song->global_volume_slide_memory;
        if (memory >> 4) {
            song->global_volume = AtMost64(song->global_volume + (memory >> 4));
        } else {
            song->global_volume = AtLeast0(song->global_volume - (memory & 0x0F));
        }
        return;
    }
    case 25: {  // P: panning slide
        uint8_t memory = channel->panning_slide_memory;
        if (memory >> 4) {
            channel->panning += memory >> 4;
            if (channel->panning > 255) channel->panning = 255;
        } else {
            channel->panning -= memory & 0x0F;
            if (channel->panning < 0) channel->panning = 0;
        }
        channel->update_flags |= UPDATE_PANNING;
        return;
    }
    case 27:  // R: multi retrigger
        MultiRetrigger(channel, song);
        return;
    case 29:  // T: tremor
        ApplyTremor(channel);
        return;
    default: return;
    }
}

}  // namespace

void ProcessTickEffects(Song* song)
{
    const NoteCell* cells = RowCells(song, song->order, song->row);
    if (cells == nullptr) return;
    int32_t channel_count = PlayedChannelCount(song);
    for (int32_t i = 0; i < channel_count; ++i) {
        ChannelState* channel = &channels[i];
        const NoteCell& cell = cells[i];
        InstrumentChoice choice = SelectInstrumentAndSample(song, channel);
        channel->volume_delta = 0;
        channel->period_delta = 0;
        channel->update_flags = 0;
        if ((choice.instrument->volume_envelope_flags & 1) && channel->vol_env_done == 0) {
            StepVolumeEnvelope(channel, choice.instrument);
        }
        if ((choice.instrument->panning_envelope_flags & 1) && channel->pan_env_done == 0) {
            StepPanningEnvelope(channel, choice.instrument);
        }
        if (channel->key_off == 1) {
            channel->fadeout_volume =
                AtLeast0(channel->fadeout_volume - choice.instrument->fadeout);
            channel->update_flags |= UPDATE_VOLUME;
        }
        VolumeColumnTick(channel, cell.volume_column);
        EffectTick(channel, song, cell, choice.sample);
        ApplyAutoVibrato(channel, choice.instrument);
        UpdateVoice(channel, choice.sample, song);
    }
}

void StepTonePortamento(ChannelState* channel)
{
    int32_t step = 4 * channel->tone_porta_speed;
    if (channel->period < channel->tone_porta_target) {
        channel->period += step;
        if (channel->period > channel->tone_porta_target)
            channel->period = channel->tone_porta_target;
    } else if (channel->period > channel->tone_porta_target) {
        channel->period -= step;
        if (channel->period < channel->tone_porta_target)
            channel->period = channel->tone_porta_target;
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
    if (channel->tremor_position >= channel->tremor_on_ticks)
        channel->volume_delta = -channel->volume;
    channel->tremor_position += 1;
    // A later T row may shorten the cycle below the counter: it restarts rather than running
    // on for 256 ticks.
    if (channel->tremor_position >= channel->tremor_on_ticks + channel->tremor_off_ticks) {
        channel->tremor_position = 0;
    }
    channel->update_flags |= UPDATE_VOLUME;
}

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
            // Valid values are 0..64; wider ones (up to 65535) are computed in 64 bits and
            // kept to the 32 bits of the 16.16 fields.
            int64_t rise = static_cast<int64_t>(points[j + 1].value) * 65536 -
                           static_cast<int64_t>(points[j].value) * 65536;
            int64_t run = static_cast<int64_t>(points[j + 1].position) - points[j].position;
            *env_slope = static_cast<int32_t>(run == 0 ? 0 : rise / run);
            *env_fixed = static_cast<int32_t>(static_cast<uint32_t>(points[j].value) << 16);
            *env_point = j + 1;
        } else {
            *env_fixed = static_cast<int32_t>(static_cast<uint32_t>(*env_fixed) +
                                              static_cast<uint32_t>(*env_slope));
        }
    }
    *env_value = static_cast<int16_t>(static_cast<uint32_t>(*env_fixed) >> 16);
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

void ApplyAutoVibrato(ChannelState* channel, const Instrument* instrument)
{
    int32_t position = channel->auto_vibrato_position;
    int32_t v;
    switch (instrument->vibrato_type) {
    case 1: v = position < 128 ? 64 : -64; break;
    case 2: v = (128 - ((position + 128) % 256)) >> 1; break;
    case 3: v = (128 - ((384 - position) % 256)) >> 1; break;
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
