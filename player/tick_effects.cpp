// What changes a channel between rows: on every tick after a row's first, the envelopes and
// the fadeout, the tick part of the volume column and of the effects, the auto-vibrato and the
// voice update, channel by channel.
#include "player/tick_effects.h"

#include "player/channel.h"
#include "player/envelope.h"
#include "player/modulators.h"
#include "player/pattern_access.h"
#include "player/voice_update.h"
#include "player/volume.h"

namespace {

void VolumeSlide(ChannelState* channel)
{
    uint8_t memory = channel->volume_slide_memory;
    if (memory >> 4) {
        SlideVolumeUp(channel, memory >> 4);
    } else {
        SlideVolumeDown(channel, memory & 0x0F);
    }
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
    case 0x9:  // E9y retrigger note every y ticks
        if (y != 0 && song->tick % y == 0) {
            channel->update_flags |= UPDATE_FREQUENCY | UPDATE_VOLUME | UPDATE_TRIGGER;
        }
        return;
    case 0xC:  // ECy note cut on tick y
        if (song->tick == y) {
            channel->volume = 0;
            channel->update_flags |= UPDATE_VOLUME;
        }
        return;
    case 0xD:  // EDy note delay: the row's note starts on tick y
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
    default:  // the other sub-effects act on the row only, or not at all
        return;
    }
}

void VolumeColumnTick(ChannelState* channel, uint8_t byte)
{
    if (VolumeColumnSlide(channel, byte)) return;
    int32_t y = byte & 0x0F;
    switch (byte >> 4) {
    case 0xB:  // 0xBy vibrato with depth y
        channel->vibrato_depth = static_cast<uint8_t>(y);
        ApplyVibrato(channel);
        AdvanceVibrato(channel);
        return;
    case 0xF:  // 0xFy tone portamento
        StepTonePortamento(channel);
        return;
    default:  // set volume, fine slides, vibrato speed, set panning: on the row only
        return;
    }
}

void EffectTick(ChannelState* channel, Song* song, const NoteCell& cell, Sample* sample)
{
    switch (cell.effect) {
    case EFFECT_ARPEGGIO:  // 0xy arpeggio
        Arpeggio(channel, song, sample, cell.parameter);
        return;
    case EFFECT_PORTAMENTO_UP:  // 1xx portamento up
        channel->period -= 4 * channel->porta_up_memory;
        channel->period_delta = 0;
        if (channel->period < 56) channel->period = 56;
        channel->update_flags |= UPDATE_FREQUENCY;
        return;
    case EFFECT_PORTAMENTO_DOWN:  // 2xx portamento down
        channel->period += 4 * channel->porta_down_memory;
        channel->period_delta = 0;
        channel->update_flags |= UPDATE_FREQUENCY;
        return;
    case EFFECT_TONE_PORTAMENTO:  // 3xx tone portamento
        channel->period_delta = 0;
        StepTonePortamento(channel);
        return;
    case EFFECT_VIBRATO:  // 4xy vibrato
        ApplyVibrato(channel);
        AdvanceVibrato(channel);
        return;
    case EFFECT_TONE_PORTAMENTO_VOLUME_SLIDE:  // 5xy tone portamento and volume slide
        channel->period_delta = 0;
        StepTonePortamento(channel);
        VolumeSlide(channel);
        return;
    case EFFECT_VIBRATO_VOLUME_SLIDE:  // 6xy vibrato and volume slide
        ApplyVibrato(channel);
        AdvanceVibrato(channel);
        VolumeSlide(channel);
        return;
    case EFFECT_TREMOLO:  // 7xy tremolo
        ApplyTremolo(channel);
        return;
    case EFFECT_VOLUME_SLIDE:  // Axy volume slide
        VolumeSlide(channel);
        return;
    case EFFECT_EXTENDED:  // Exy extended
        ExtendedTick(channel, song, cell, sample);
        return;
    case EFFECT_GLOBAL_VOLUME_SLIDE: {  // Hxy global volume slide
        uint8_t memory = song->global_volume_slide_memory;
        if (memory >> 4) {
            song->global_volume = AtMost64(song->global_volume + (memory >> 4));
        } else {
            song->global_volume = AtLeast0(song->global_volume - (memory & 0x0F));
        }
        return;
    }
    case EFFECT_PANNING_SLIDE: {  // Pxy panning slide
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
    case EFFECT_MULTI_RETRIGGER:  // Rxy multi retrigger
        MultiRetrigger(channel, song);
        return;
    case EFFECT_TREMOR:  // Txy tremor
        ApplyTremor(channel);
        return;
    default:  // the other effects act on the row only, or not at all
        return;
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
        StepEnvelopesAndFadeout(channel, choice.instrument);
        VolumeColumnTick(channel, cell.volume_column);
        EffectTick(channel, song, cell, choice.sample);
        ApplyAutoVibrato(channel, choice.instrument);
        UpdateVoice(channel, choice.sample, song);
    }
}
