// Per tracker channel state and the channel-level rules shared by the row tick and the later
// ticks: instrument and sample choice, channel reset, volume column, volume and panning
// slides, period formulas.
#pragma once

#include <cstdint>

#include "mixer.h"
#include "song.h"

constexpr uint8_t UPDATE_FREQUENCY = 0x01;
constexpr uint8_t UPDATE_VOLUME = 0x02;
constexpr uint8_t UPDATE_PANNING = 0x04;
constexpr uint8_t UPDATE_TRIGGER = 0x08;
constexpr uint8_t UPDATE_REWIND = 0x20;

struct ChannelState {
    uint8_t note;
    uint8_t update_flags;
    Voice* voice;
    int32_t period;
    int32_t volume;
    int32_t panning;
    int32_t volume_delta;
    int32_t period_delta;
    uint32_t vol_env_tick;
    uint32_t vol_env_point;
    int32_t vol_env_fixed;
    int32_t vol_env_value;
    int32_t vol_env_slope;
    uint8_t vol_env_done;
    uint32_t pan_env_tick;
    uint32_t pan_env_point;
    int32_t pan_env_fixed;
    int32_t pan_env_value;
    int32_t pan_env_slope;
    uint8_t pan_env_done;
    int32_t fadeout_volume;
    int32_t auto_vibrato_position;
    int32_t auto_vibrato_sweep_ticks;
    uint8_t key_off;
    uint8_t instrument;
    uint8_t real_note;
    int32_t note_period;
    uint8_t last_effect;
    int32_t sample_offset_memory;
    uint8_t porta_down_memory;
    uint8_t porta_up_memory;
    uint8_t extra_fine_porta_down_memory;
    uint8_t extra_fine_porta_up_memory;
    uint8_t volume_slide_memory;
    uint8_t panning_slide_memory;
    uint8_t retrigger_volume_rule;
    uint8_t retrigger_interval;
    int32_t tone_porta_target;
    uint8_t tone_porta_speed;
    int8_t vibrato_position;
    uint8_t vibrato_speed;
    uint8_t vibrato_depth;
    int8_t tremolo_position;
    uint8_t tremolo_speed;
    uint8_t tremolo_depth;
    uint8_t tremor_position;
    uint8_t tremor_on_ticks;
    uint8_t tremor_off_ticks;
    int32_t pattern_loop_row;
    int32_t pattern_loop_count;
    uint8_t waveform_control;
    uint8_t fine_volume_slide_memory;
    uint8_t fine_porta_up_memory;
    uint8_t fine_porta_down_memory;
};

extern ChannelState channels[MAX_CHANNELS];

// The instrument and sample a channel plays: silent_instrument and silent_sample stand in for
// an instrument number beyond the song's, and silent_sample for a note without a sample.
struct InstrumentChoice {
    Instrument* instrument;
    Sample* sample;
};

InstrumentChoice SelectInstrumentAndSample(const Song* song, const ChannelState* channel);
void ResetChannel(ChannelState* channel, const Sample* sample);
void ApplyVolumeColumn(ChannelState* channel, uint8_t byte);
// The volume column's slides of volume (0x6y, 0x7y) and panning (0xDy, 0xEy), which act on
// the row and on every later tick; false for any other byte.
bool VolumeColumnSlide(ChannelState* channel, uint8_t byte);
// The slides of the volume column and of the volume-slide effects, coarse and fine: the volume
// kept within 0..64, the panning moved as given (the voice update limits what it plays).
void SlideVolumeUp(ChannelState* channel, int32_t amount);
void SlideVolumeDown(ChannelState* channel, int32_t amount);
void SlidePanning(ChannelState* channel, int32_t change);
int32_t LinearPeriod(uint8_t real_note, int8_t finetune);
int32_t AmigaPeriod(uint8_t real_note, int8_t finetune);
