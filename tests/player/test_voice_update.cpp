// The voice update: hand-off to the partner voice, volume and panning split, panning envelope,
// frequency and step.
#include <gtest/gtest.h>

#include "player/voice_update.h"
#include "test_sequencer_song.h"

namespace {

struct VoiceUpdateTest : ::testing::Test {
    TestSong t{8, {4}};
    ChannelState* channel = nullptr;
    void SetUp() override
    {
        t.Start();
        channel = &channels[5];
        channel->volume = 64;
        channel->vol_env_value = 64;
        channel->fadeout_volume = 65536;
        channel->pan_env_value = 32;
        channel->panning = 128;
        channel->period = 4608;
    }
};

}  // namespace

TEST_F(VoiceUpdateTest, TriggerOnSoundingVoiceHandsOffAndBack)
{
    Sample* sample = &t.samples[0];
    channel->update_flags = UPDATE_TRIGGER | UPDATE_VOLUME | UPDATE_PANNING;
    UpdateVoice(channel, sample, &t.song);
    EXPECT_EQ(channel->voice, &voices[5]);  // idle voice: the record is reused
    EXPECT_EQ(voices[5].sample, sample);
    EXPECT_EQ(voices[5].left_volume, 63);

    UpdateVoice(channel, sample, &t.song);
    EXPECT_EQ(channel->voice, &voices[37]);
    EXPECT_EQ(voices[37].index, 37);
    EXPECT_EQ(voices[37].sample, sample);
    EXPECT_EQ(voices[37].current_left, 0);
    EXPECT_EQ(voices[5].index, 5);
    EXPECT_EQ(voices[5].sample, sample);  // the old note plays on, ramping down
    EXPECT_EQ(voices[5].volume, 0);
    EXPECT_EQ(voices[5].left_volume, 0);
    EXPECT_EQ(voices[5].right_volume, 0);

    UpdateVoice(channel, sample, &t.song);
    EXPECT_EQ(channel->voice, &voices[5]);
    EXPECT_EQ(voices[5].index, 5);
    EXPECT_EQ(voices[37].left_volume, 0);
}

TEST_F(VoiceUpdateTest, FullScaleVolumeSplitsEvenlyAtCentre)
{
    channel->update_flags = UPDATE_VOLUME | UPDATE_PANNING;
    UpdateVoice(channel, &t.samples[0], &t.song);
    Voice& v = *channel->voice;
    EXPECT_EQ(v.volume, 127);
    EXPECT_EQ(v.panning, 128);
    EXPECT_EQ(v.left_volume, 63);
    EXPECT_EQ(v.right_volume, 63);
}

TEST_F(VoiceUpdateTest, DamagedEnvelopeValuesKeepTheVoiceVolumeInRange)
{
    // Envelope points above 64 in a damaged module: 0xFFE1 reads as the 16-bit value -31, 300
    // is far above full scale. The voice volume stays within 0..127, so the split and the
    // mixer's ramp stay in range too.
    channel->update_flags = UPDATE_VOLUME;
    channel->vol_env_value = -31;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->volume, 0);
    EXPECT_EQ(channel->voice->right_volume, 0);
    channel->update_flags = UPDATE_VOLUME;
    channel->vol_env_value = 300;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->volume, 127);
    EXPECT_EQ(channel->voice->right_volume, 127);  // panning 0: all on the right
}

TEST_F(VoiceUpdateTest, PanningEnvelopeExtremes)
{
    channel->update_flags = UPDATE_VOLUME | UPDATE_PANNING;
    channel->pan_env_value = 64;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->panning, 255);
    EXPECT_EQ(channel->voice->right_volume, 0);
    channel->pan_env_value = 0;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->panning, 0);
    EXPECT_EQ(channel->voice->left_volume, 0);
    channel->pan_env_value = 32;
    channel->panning = 37;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->panning, 37);
    // A stored panning pushed outside 0..255 by slides is clamped in the voice.
    channel->panning = -40;
    channel->pan_env_value = 64;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->panning, 0);
}

TEST_F(VoiceUpdateTest, StepOfLinearBaseAndMixRate)
{
    channel->update_flags = UPDATE_FREQUENCY;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->frequency, 8363);
    EXPECT_EQ(channel->voice->step, 0);
    EXPECT_EQ(channel->voice->step_frac, 814485521u);

    t.song.song_flags = 0;  // Amiga: 14317056 / period
    channel->period = 14317056 / 44100;
    channel->period_delta = 0;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->frequency, 14317056 / (14317056 / 44100));
}

TEST_F(VoiceUpdateTest, FrequencyFloorRecordsUnlimitedValue)
{
    t.song.song_flags = 0;
    channel->period = 200000;  // 71 Hz
    channel->update_flags = UPDATE_FREQUENCY;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->frequency, 71);
    EXPECT_EQ(channel->voice->step, 0);
    EXPECT_EQ(channel->voice->step_frac, static_cast<uint32_t>((100ull << 32) / 44100));

    channel->period = -1000;  // negative frequency also plays at 100 Hz
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->frequency, -14317);
    EXPECT_EQ(channel->voice->step_frac, static_cast<uint32_t>((100ull << 32) / 44100));
}

TEST_F(VoiceUpdateTest, AmigaZeroPeriodLeavesStepUnchanged)
{
    t.song.song_flags = 0;
    channel->voice->step = 3;
    channel->voice->step_frac = 77;
    channel->period = 100;
    channel->period_delta = -100;
    channel->update_flags = UPDATE_FREQUENCY;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->step, 3);
    EXPECT_EQ(channel->voice->step_frac, 77u);
    EXPECT_EQ(channel->update_flags & UPDATE_FREQUENCY, 0);
}

TEST_F(VoiceUpdateTest, RunawayLinearPeriodDoesNotOverflow)
{
    channel->period = -2000000000;
    channel->update_flags = UPDATE_FREQUENCY;
    UpdateVoice(channel, &t.samples[0], &t.song);
    EXPECT_EQ(channel->voice->frequency, INT32_MAX);
}

TEST_F(VoiceUpdateTest, StartOffsetBeyondLoopEndStartsAtZero)
{
    Sample* sample = &t.samples[0];
    channel->voice->start_offset = sample->loop_start + sample->loop_length;
    channel->update_flags = UPDATE_TRIGGER;
    UpdateVoice(channel, sample, &t.song);
    EXPECT_EQ(channel->voice->position, 0);
    EXPECT_EQ(channel->voice->start_offset, 0u);

    channel->voice->sample = nullptr;
    channel->voice->start_offset = 512;
    UpdateVoice(channel, sample, &t.song);
    EXPECT_EQ(channel->voice->position, 512);
    EXPECT_EQ(channel->voice->direction, 1);
}
