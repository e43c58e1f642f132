// The sequencer: one tick at a time through the order table and the patterns. The first tick
// of a row reads the row's cells (notes, instruments, volume column, the row part of every
// effect); the other ticks run the tick effects. Every tick ends with the voices up to date.
#include "player/sequencer.h"

#include "player/audio_settings.h"
#include "player/channel.h"
#include "player/envelope.h"
#include "player/modulators.h"
#include "player/pattern_access.h"
#include "player/placeholders.h"
#include "player/tick_effects.h"
#include "player/voice_update.h"
#include "player/volume.h"

namespace {

bool IsNote(uint8_t note) { return note >= 1 && note <= NOTE_COUNT; }

void SampleOffset(ChannelState* channel, const Sample* sample, uint8_t parameter)
{
    if (parameter != 0) channel->sample_offset_memory = parameter;
    if (channel->voice == nullptr) return;
    uint32_t offset = static_cast<uint32_t>(channel->sample_offset_memory) * 256;
    if (offset < sample->loop_start + sample->loop_length) {
        channel->voice->start_offset = offset;
    } else {
        channel->update_flags &= static_cast<uint8_t>(~UPDATE_TRIGGER);
        channel->update_flags |= UPDATE_REWIND;
    }
}

struct RowMemory {
    int32_t period;
    int32_t volume;
    int32_t panning;
};

void ExtendedRow(Song* song, ChannelState* channel, Sample* sample, uint8_t y,
                 const RowMemory& before, uint8_t sub)
{
    switch (sub) {
    case 0x1:  // E1y fine portamento up
        if (y != 0) channel->fine_porta_up_memory = y;
        channel->period -= 4 * channel->fine_porta_up_memory;
        return;
    case 0x2:  // E2y fine portamento down
        if (y != 0) channel->fine_porta_down_memory = y;
        channel->period += 4 * channel->fine_porta_down_memory;
        return;
    case 0x4:  // E4y set vibrato waveform
        channel->waveform_control = static_cast<uint8_t>((channel->waveform_control & 0xF0) | y);
        return;
    case 0x5:  // E5y set finetune
        // The shared silent placeholder stays all zero.
        if (sample != &silent_sample) sample->finetune = static_cast<int8_t>(y);
        return;
    case 0x6:  // E6y pattern loop
        if (y == 0) {
            channel->pattern_loop_row = song->row;
            return;
        }
        if (channel->pattern_loop_count == 0) {
            channel->pattern_loop_count = y;
        } else {
            channel->pattern_loop_count -= 1;
        }
        if (channel->pattern_loop_count != 0) song->next_row = channel->pattern_loop_row;
        return;
    case 0x7:  // E7y set tremolo waveform
        channel->waveform_control =
            static_cast<uint8_t>((channel->waveform_control & 0x0F) | (y << 4));
        return;
    case 0x8:  // E8y set panning
        channel->panning = y * 16;
        channel->update_flags |= UPDATE_PANNING;
        return;
    case 0xA:  // EAy fine volume slide up
        if (y != 0) channel->fine_volume_slide_memory = y;
        SlideVolumeUp(channel, channel->fine_volume_slide_memory);
        return;
    case 0xB:  // EBy fine volume slide down
        if (y != 0) channel->fine_volume_slide_memory = y;
        SlideVolumeDown(channel, channel->fine_volume_slide_memory);
        return;
    case 0xD:  // EDy note delay: nothing of the row sounds before tick y
        channel->update_flags &= 0xF0;
        channel->volume = before.volume;
        channel->period = before.period;
        channel->panning = before.panning;
        return;
    case 0xE:  // EEy pattern delay
        song->pattern_delay_ticks = y * song->speed;
        return;
    default:  // E0y, E3y glissando control, EFy: nothing; E9y and ECy act on the later ticks
        return;
    }
}

void EffectRow(Song* song, ChannelState* channel, const InstrumentChoice& choice,
               const NoteCell& cell, const RowMemory& before, bool& jumped)
{
    uint8_t parameter = cell.parameter;
    uint8_t x = parameter >> 4;
    uint8_t y = parameter & 0x0F;
    switch (cell.effect) {
    case EFFECT_PORTAMENTO_UP:  // 1xx portamento up
        if (parameter != 0) channel->porta_up_memory = parameter;
        return;
    case EFFECT_PORTAMENTO_DOWN:  // 2xx portamento down
        if (parameter != 0) channel->porta_down_memory = parameter;
        return;
    case EFFECT_TONE_PORTAMENTO:  // 3xx tone portamento
        if (parameter != 0) channel->tone_porta_speed = parameter;
        channel->tone_porta_target = channel->note_period;
        channel->update_flags &= static_cast<uint8_t>(~(UPDATE_FREQUENCY | UPDATE_TRIGGER));
        return;
    case EFFECT_VIBRATO:  // 4xy vibrato
        if (x != 0) channel->vibrato_speed = x;
        if (y != 0) channel->vibrato_depth = y;
        ApplyVibrato(channel);
        return;
    case EFFECT_TONE_PORTAMENTO_VOLUME_SLIDE:  // 5xy tone portamento and volume slide
        channel->tone_porta_target = channel->note_period;
        if (parameter != 0) channel->volume_slide_memory = parameter;
        channel->update_flags &= static_cast<uint8_t>(~(UPDATE_FREQUENCY | UPDATE_TRIGGER));
        return;
    case EFFECT_VIBRATO_VOLUME_SLIDE:  // 6xy vibrato and volume slide
        if (parameter != 0) channel->volume_slide_memory = parameter;
        ApplyVibrato(channel);
        return;
    case EFFECT_TREMOLO:  // 7xy tremolo
        if (x != 0) channel->tremolo_speed = x;
        if (y != 0) channel->tremolo_depth = y;
        return;
    case EFFECT_SET_PANNING:  // 8xx set panning
        channel->panning = parameter;
        channel->update_flags |= UPDATE_PANNING;
        return;
    case EFFECT_SAMPLE_OFFSET:  // 9xx sample offset
        SampleOffset(channel, choice.sample, parameter);
        return;
    case EFFECT_VOLUME_SLIDE:  // Axy volume slide
        if (parameter != 0) channel->volume_slide_memory = parameter;
        return;
    case EFFECT_POSITION_JUMP:  // Bxx position jump
        song->next_row = 0;
        song->next_order = parameter >= SongLength(song) ? 0 : parameter;
        jumped = true;
        return;
    case EFFECT_SET_VOLUME:  // Cxx set volume
        channel->volume = AtMost64(parameter);
        channel->update_flags |= UPDATE_VOLUME;
        return;
    case EFFECT_PATTERN_BREAK: {  // Dxx pattern break
        int32_t row = x * 10 + y;
        song->next_row = row > 63 ? 0 : row;
        if (!jumped) song->next_order = song->order + 1;
        if (song->next_order >= SongLength(song)) song->next_order = 0;
        return;
    }
    case EFFECT_EXTENDED:  // Exy extended
        ExtendedRow(song, channel, choice.sample, y, before, x);
        return;
    case EFFECT_SET_SPEED:  // Fxx set speed or tempo
        if (parameter < 32) {
            song->speed = parameter;
        } else {
            SetTempo(song, parameter);
        }
        return;
    case EFFECT_SET_GLOBAL_VOLUME:  // Gxx set global volume
        song->global_volume = AtMost64(parameter);
        channel->update_flags |= UPDATE_VOLUME;
        return;
    case EFFECT_GLOBAL_VOLUME_SLIDE:  // Hxy global volume slide
        if (parameter != 0) song->global_volume_slide_memory = parameter;
        return;
    case EFFECT_SET_ENVELOPE_POSITION:  // Lxx set envelope position
        SetEnvelopePosition(channel, choice.instrument, parameter);
        return;
    case EFFECT_PANNING_SLIDE:  // Pxy panning slide
        if (parameter != 0) {
            channel->panning_slide_memory = parameter;
            channel->update_flags |= UPDATE_PANNING;
        }
        return;
    case EFFECT_MULTI_RETRIGGER:  // Rxy multi retrigger
        if (parameter != 0) {
            channel->retrigger_volume_rule = x;
            channel->retrigger_interval = y;
        }
        return;
    case EFFECT_TREMOR:  // Txy tremor
        if (parameter != 0) {
            channel->tremor_on_ticks = static_cast<uint8_t>(x + 1);
            channel->tremor_off_ticks = static_cast<uint8_t>(y + 1);
        }
        ApplyTremor(channel);
        return;
    // X1y extra fine portamento up, X2y extra fine portamento down
    case EFFECT_EXTRA_FINE_PORTAMENTO:
        if (x == 1) {
            if (y != 0) channel->extra_fine_porta_up_memory = y;
            channel->period -= channel->extra_fine_porta_up_memory;
        } else if (x == 2) {
            if (y != 0) channel->extra_fine_porta_down_memory = y;
            channel->period += channel->extra_fine_porta_down_memory;
        }
        return;
    default:  // 0xy arpeggio: later ticks only; Kxx key off: in ProcessChannelRow; others: none
        return;
    }
}

void ProcessChannelRow(Song* song, ChannelState* channel, const NoteCell& cell, bool& jumped)
{
    // A volume-column tone portamento (0xFy) counts too: its note is a slide target, not a
    // new pitch, exactly as with the effects 3xx and 5xy.
    bool tone_portamento = cell.effect == EFFECT_TONE_PORTAMENTO ||
                           cell.effect == EFFECT_TONE_PORTAMENTO_VOLUME_SLIDE ||
                           (cell.volume_column >> 4) == 0xF;
    if (cell.instrument != 0 && !tone_portamento) {
        channel->instrument = static_cast<uint8_t>(cell.instrument - 1);
    }
    if (IsNote(cell.note) && !tone_portamento) channel->note = static_cast<uint8_t>(cell.note - 1);

    InstrumentChoice choice = SelectInstrumentAndSample(song, channel);

    RowMemory before{channel->period, channel->volume, channel->panning};
    // The last tremolo (7xy) offset stays in the volume once the tremolo stops.
    if (channel->last_effect == EFFECT_TREMOLO && cell.effect != EFFECT_TREMOLO) {
        channel->volume += channel->volume_delta;
    }
    channel->volume_delta = 0;
    channel->update_flags = 0;
    channel->last_effect = cell.effect;

    if (IsNote(cell.note)) {
        channel->real_note = static_cast<uint8_t>(cell.note + choice.sample->relative_note - 1);
        channel->note_period = (song->song_flags & 1)
                                   ? LinearPeriod(channel->real_note, choice.sample->finetune)
                                   : AmigaPeriod(channel->real_note, choice.sample->finetune);
        if (!tone_portamento) channel->period = channel->note_period;
        channel->update_flags = UPDATE_TRIGGER;
    }
    channel->period_delta = 0;
    channel->update_flags |= UPDATE_FREQUENCY | UPDATE_VOLUME;

    if (cell.instrument != 0) ResetChannel(channel, choice.sample);
    if (cell.volume_column != 0) ApplyVolumeColumn(channel, cell.volume_column);
    // A key-off note or the effect Kxx key off.
    if (cell.note == NOTE_KEY_OFF || cell.effect == EFFECT_KEY_OFF) channel->key_off = 1;

    const Instrument* instrument = choice.instrument;
    // A key-off without volume envelope silences the note at once.
    if (!(instrument->volume_envelope_flags & 1) && channel->key_off == 1) {
        channel->vol_env_value = 0;
    }
    StepEnvelopesAndFadeout(channel, instrument);

    EffectRow(song, channel, choice, cell, before, jumped);
    ApplyAutoVibrato(channel, instrument);
    UpdateVoice(channel, choice.sample, song);
}

}  // namespace

void SetTempo(Song* song, int32_t bpm)
{
    song->bpm = bpm;
    double frames = 1000.0 / (static_cast<double>(bpm) * static_cast<double>(0.4f)) *
                    static_cast<double>(MIX_RATE) * static_cast<double>(0.001f);
    // Tempos outside what a module can hold (0 or below, or past the frame rate) still give a
    // tick of at least one frame.
    if (!(frames >= 1.0)) frames = 1.0;
    if (frames > 2147483647.0) frames = 2147483647.0;
    song->samples_per_tick = static_cast<int32_t>(frames);
}

void ProcessRow(Song* song)
{
    song->next_order = -1;
    song->next_row = -1;
    const NoteCell* cells = RowCells(song, song->order, song->row);
    if (cells == nullptr) return;
    bool jumped = false;
    int32_t channel_count = PlayedChannelCount(song);
    for (int32_t i = 0; i < channel_count; ++i) {
        ProcessChannelRow(song, &channels[i], cells[i], jumped);
    }
}

void SequencerTick(Song* song)
{
    if (song->tick == 0) {
        if (song->next_order >= 0) song->order = song->next_order;
        if (song->next_row >= 0) song->row = song->next_row;
        // A break, loop or restart into a shorter pattern plays that pattern's row 0.
        if (song->row >= PatternRowsAt(song, song->order) || song->row < 0) song->row = 0;
        ProcessRow(song);
        if (song->next_row == -1) {
            song->next_row = song->row + 1;
            if (song->next_row >= PatternRowsAt(song, song->order)) {
                int32_t length = SongLength(song);
                song->next_order = song->order + 1;
                if (song->next_order >= length) {
                    bool restart_valid =
                        song->restart_position >= 0 && song->restart_position < length;
                    song->next_order = restart_valid ? song->restart_position : 0;
                }
                song->next_row = 0;
            }
        }
    } else {
        ProcessTickEffects(song);
    }
    song->tick += 1;
    if (song->tick >= song->speed + song->pattern_delay_ticks) {
        song->pattern_delay_ticks = 0;
        song->tick = 0;
    }
}
