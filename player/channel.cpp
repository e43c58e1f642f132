// The channel table and the channel-level rules that the row tick and the later ticks share.
#include "player/channel.h"

#include <cmath>

#include "player/placeholders.h"
#include "player/volume.h"

ChannelState channels[MAX_CHANNELS];

namespace {

// Amiga period of note k without finetune: 13.375 × 2^((132 − k)/12), the twelfth taken as the
// single-precision value.
int32_t AmigaBasePeriod(int32_t k)
{
    const double twelfth = static_cast<double>(1.0f / 12.0f);
    return static_cast<int32_t>(std::pow(2.0, static_cast<double>(132 - k) * twelfth) * 13.375);
}

}  // namespace

InstrumentChoice SelectInstrumentAndSample(const Song* song, const ChannelState* channel)
{
    if (song->instruments == nullptr || channel->instrument >= song->instrument_count) {
        return {&silent_instrument, &silent_sample};
    }
    Instrument* instrument = &song->instruments[channel->instrument];
    Sample* sample = &silent_sample;
    if (channel->note < NOTE_COUNT) {
        uint8_t k = instrument->note_to_sample[channel->note];
        if (k < MAX_INSTRUMENT_SAMPLES && instrument->samples[k] != nullptr) {
            sample = instrument->samples[k];
        }
    }
    return {instrument, sample};
}

void ResetChannel(ChannelState* channel, const Sample* sample)
{
    // A sample volume above 64 is not a valid module value; it is played as 64 so that
    // voice volumes stay within what the mixer expects.
    channel->volume = AtMost64(sample->volume);
    channel->panning = static_cast<int32_t>(sample->panning);
    channel->vol_env_value = 64;
    channel->vol_env_point = 0;
    channel->vol_env_tick = 0;
    channel->vol_env_slope = 0;
    channel->pan_env_value = 32;
    channel->pan_env_point = 0;
    channel->pan_env_tick = 0;
    channel->pan_env_slope = 0;
    channel->key_off = 0;
    channel->fadeout_volume = 65536;
    channel->vol_env_done = 0;
    channel->pan_env_done = 0;
    channel->auto_vibrato_sweep_ticks = 0;
    channel->auto_vibrato_position = 0;
    if ((channel->waveform_control & 0x0F) < 4) channel->vibrato_position = 0;
    if ((channel->waveform_control >> 4) < 4) channel->tremolo_position = 0;
    channel->update_flags |= UPDATE_VOLUME | UPDATE_PANNING;
    channel->tremor_position = 0;
}

bool VolumeColumnSlide(ChannelState* channel, uint8_t byte)
{
    int32_t y = byte & 0x0F;
    switch (byte >> 4) {
    case 0x6:  // 0x6y volume slide down
        SlideVolumeDown(channel, y);
        return true;
    case 0x7:  // 0x7y volume slide up
        SlideVolumeUp(channel, y);
        return true;
    case 0xD:  // 0xDy panning slide left
        SlidePanning(channel, -y);
        return true;
    case 0xE:  // 0xEy panning slide right
        SlidePanning(channel, y);
        return true;
    default: return false;
    }
}

void ApplyVolumeColumn(ChannelState* channel, uint8_t byte)
{
    // The slides act once here, then on every later tick of the row.
    if (VolumeColumnSlide(channel, byte)) return;
    int32_t y = byte & 0x0F;
    switch (byte >> 4) {
    case 0x1:  // 0x10..0x50 set volume 0..64
    case 0x2:
    case 0x3:
    case 0x4:
    case 0x5:
        if (byte > 0x50) return;
        channel->volume = byte - 0x10;
        channel->update_flags |= UPDATE_VOLUME;
        return;
    case 0x8:  // 0x8y fine volume slide down
        SlideVolumeDown(channel, y);
        return;
    case 0x9:  // 0x9y fine volume slide up
        SlideVolumeUp(channel, y);
        return;
    case 0xA:  // 0xAy set vibrato speed
        channel->vibrato_speed = static_cast<uint8_t>(y);
        return;
    case 0xB:  // 0xBy vibrato depth (the vibrato itself runs on the later ticks)
        channel->vibrato_depth = static_cast<uint8_t>(y);
        return;
    case 0xC:  // 0xCy set panning
        channel->panning = y * 16;
        channel->update_flags |= UPDATE_PANNING;
        return;
    case 0xF:  // 0xFy tone portamento
        if (y != 0) channel->tone_porta_speed = static_cast<uint8_t>(y * 16);
        channel->tone_porta_target = channel->note_period;
        channel->update_flags &= static_cast<uint8_t>(~UPDATE_TRIGGER);
        return;
    default:  // 0x00..0x0F: nothing
        return;
    }
}

void SlideVolumeUp(ChannelState* channel, int32_t amount)
{
    channel->volume = AtMost64(channel->volume + amount);
    channel->update_flags |= UPDATE_VOLUME;
}

void SlideVolumeDown(ChannelState* channel, int32_t amount)
{
    channel->volume = AtLeast0(channel->volume - amount);
    channel->update_flags |= UPDATE_VOLUME;
}

void SlidePanning(ChannelState* channel, int32_t change)
{
    channel->panning += change;
    channel->update_flags |= UPDATE_PANNING;
}

int32_t LinearPeriod(uint8_t real_note, int8_t finetune)
{
    return 7680 - 64 * static_cast<int32_t>(real_note) - finetune / 2;
}

int32_t AmigaPeriod(uint8_t real_note, int8_t finetune)
{
    int32_t n = real_note;
    int32_t base = AmigaBasePeriod(n);
    if (finetune >= 0 || n == 0) {
        return base + ((base - AmigaBasePeriod(n + 1)) * finetune) / -128;
    }
    return base + ((base - AmigaBasePeriod(n - 1)) * -static_cast<int32_t>(finetune)) / -128;
}
