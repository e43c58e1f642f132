// The voice update: turns a channel's requests of this tick into the fields of its mixer voice.
// A new note on a voice that still sounds moves the channel to the partner voice, so the old
// note ramps down while the new one ramps up.
#include "player/voice_update.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "player/audio_settings.h"
#include "player/mixer.h"

namespace {

// 255 / 2^35: the product of full-scale volume, envelope, fadeout and global volume gives 127.5.
constexpr float VOLUME_SCALE = 7.4214768e-9f;
constexpr int32_t LINEAR_BASE_FREQUENCY = 8363;
constexpr int32_t LINEAR_BASE_PERIOD = 4608;
constexpr float ONE_OCTAVE_IN_PERIODS = 0.0013020834f;  // 1/768
constexpr int64_t AMIGA_CLOCK = 14317056;
constexpr int32_t MIN_FREQUENCY = 100;
constexpr int32_t MAX_VOICE_VOLUME = 127;

// Truncates toward zero, with values outside int32 (from runaway slides) held at its ends.
int32_t TruncateToInt32(double value)
{
    if (!(value > -2147483648.0)) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

void SplitVolume(Voice* voice)
{
    voice->left_volume = voice->volume * voice->panning / 255;
    voice->right_volume = (255 - voice->panning) * voice->volume / 255;
}

Voice* HandOff(ChannelState* channel, Voice* voice)
{
    int32_t partner_slot = voice->index < GHOST_DISTANCE ? voice->index + GHOST_DISTANCE
                                                         : voice->index - GHOST_DISTANCE;
    if (partner_slot < 0 || partner_slot >= VOICE_SLOTS) return voice;
    Voice* partner = &voices[partner_slot];
    *partner = *voice;
    partner->index = partner_slot;
    voice->volume = 0;
    voice->left_volume = 0;
    voice->right_volume = 0;
    channel->voice = partner;
    return partner;
}

void Trigger(ChannelState* channel, Voice*& voice, Sample* sample)
{
    if (voice->sample != nullptr) voice = HandOff(channel, voice);
    voice->sample = sample;
    if (voice->start_offset >= sample->loop_start + sample->loop_length) voice->start_offset = 0;
    voice->position_frac = 0;
    voice->position = static_cast<int32_t>(voice->start_offset);
    voice->direction = 1;
    voice->start_offset = 0;
    voice->current_left = 0;
    voice->current_right = 0;
    voice->ramp_remaining = 0;
}

void UpdateVolume(const ChannelState* channel, Voice* voice, const Song* song)
{
    double volume = static_cast<double>(channel->volume + channel->volume_delta);
    volume *= channel->vol_env_value;
    volume *= channel->fadeout_volume;
    volume *= song->global_volume;
    volume *= static_cast<double>(VOLUME_SCALE);
    // A voice volume is 0..127, and the left/right split and the mixer's ramps rely on it.
    // Valid module data never leaves that range; a damaged envelope (point values above 64,
    // which turn negative as 16-bit envelope values) would, and would then overflow the split
    // and ramp the gain to tens of thousands.
    int32_t result = TruncateToInt32(volume);
    if (result < 0) result = 0;
    if (result > MAX_VOICE_VOLUME) result = MAX_VOICE_VOLUME;
    voice->volume = result;
    SplitVolume(voice);
}

void UpdatePanning(const ChannelState* channel, Voice* voice)
{
    int64_t panning = channel->panning;
    int64_t distance = 128 - std::llabs(panning - 128);
    int64_t p = panning + (distance / 32) * (channel->pan_env_value - 32);
    if (p < 0) p = 0;
    if (p > 255) p = 255;
    voice->panning = static_cast<int32_t>(p);
    SplitVolume(voice);
}

void UpdateFrequency(const ChannelState* channel, Voice* voice, const Song* song)
{
    int32_t frequency;
    if (song->song_flags & 1) {
        double exponent = static_cast<double>(static_cast<int64_t>(LINEAR_BASE_PERIOD) -
                                              channel->period + channel->period_delta) *
                          static_cast<double>(ONE_OCTAVE_IN_PERIODS);
        frequency = TruncateToInt32(LINEAR_BASE_FREQUENCY * std::pow(2.0, exponent));
    } else {
        int64_t period = static_cast<int64_t>(channel->period) + channel->period_delta;
        int64_t f = AMIGA_CLOCK / period;  // period 0 never gets here (guard in UpdateVoice)
        frequency = static_cast<int32_t>(f);
    }
    voice->frequency = frequency;
    uint32_t limited = frequency < MIN_FREQUENCY ? MIN_FREQUENCY : static_cast<uint32_t>(frequency);
    uint32_t rate = static_cast<uint32_t>(MIX_RATE);
    voice->step = static_cast<int32_t>(limited / rate);
    voice->step_frac = static_cast<uint32_t>((static_cast<uint64_t>(limited % rate) << 32) / rate);
}

}  // namespace

void UpdateVoice(ChannelState* channel, Sample* sample, const Song* song)
{
    Voice* voice = channel->voice;
    if (voice == nullptr) return;
    if (static_cast<int64_t>(channel->period) + channel->period_delta == 0) {
        channel->update_flags &= static_cast<uint8_t>(~UPDATE_FREQUENCY);
    }
    uint8_t flags = channel->update_flags;
    if ((flags & UPDATE_TRIGGER) && sample != nullptr) Trigger(channel, voice, sample);
    if (flags & UPDATE_VOLUME) UpdateVolume(channel, voice, song);
    if (flags & UPDATE_PANNING) UpdatePanning(channel, voice);
    if (flags & UPDATE_FREQUENCY) UpdateFrequency(channel, voice, song);
    if (flags & UPDATE_REWIND) {
        voice->position = 0;
        voice->position_frac = 0;
        voice->start_offset = 0;
    }
}
