// Channel-level rules: period formulas, instrument and sample choice, channel reset and the
// row part of the volume column.
#include <gtest/gtest.h>

#include "test_sequencer_song.h"

TEST(ChannelPeriods, LinearPeriodHalvesFinetuneTowardZero)
{
    EXPECT_EQ(LinearPeriod(48, 0), 4608);
    EXPECT_EQ(LinearPeriod(48, -128), 4672);
    EXPECT_EQ(LinearPeriod(48, 127), 4545);
    EXPECT_EQ(LinearPeriod(0, 0), 7680);
}

TEST(ChannelPeriods, AmigaPeriodTellingValues)
{
    EXPECT_EQ(AmigaPeriod(0, 0), 27392);
    EXPECT_EQ(AmigaPeriod(12, 0), 13696);
    EXPECT_EQ(AmigaPeriod(48, 0), 1712);
    EXPECT_EQ(AmigaPeriod(49, 0), 1615);
    EXPECT_EQ(AmigaPeriod(95, 0), 113);
    EXPECT_EQ(AmigaPeriod(48, 127), 1616);
    EXPECT_EQ(AmigaPeriod(48, -128), 1813);
    EXPECT_EQ(AmigaPeriod(48, 64), 1664);
    // Negative finetune at note 0 uses the next note, not note −1.
    EXPECT_EQ(AmigaPeriod(0, -128), 27392 + (27392 - AmigaPeriod(1, 0)));
}

TEST(ChannelSelection, FallsBackToSilentRecords)
{
    TestSong t(1, {4}, 2);
    ChannelState channel{};
    channel.instrument = 1;
    channel.note = 10;
    InstrumentChoice choice = SelectInstrumentAndSample(&t.song, &channel);
    EXPECT_EQ(choice.instrument, &t.instruments[1]);
    EXPECT_EQ(choice.sample, &t.samples[1]);

    channel.instrument = 2;  // beyond instrument_count
    choice = SelectInstrumentAndSample(&t.song, &channel);
    EXPECT_EQ(choice.instrument, &silent_instrument);
    EXPECT_EQ(choice.sample, &silent_sample);

    channel.instrument = 0;
    t.instruments[0].note_to_sample[10] = 16;  // no such slot
    choice = SelectInstrumentAndSample(&t.song, &channel);
    EXPECT_EQ(choice.instrument, &t.instruments[0]);
    EXPECT_EQ(choice.sample, &silent_sample);
    t.instruments[0].note_to_sample[10] = 3;  // an unused slot
    EXPECT_EQ(SelectInstrumentAndSample(&t.song, &channel).sample, &silent_sample);
}

TEST(ChannelReset, KeepsWaveformPhaseForRetainingWaveforms)
{
    Sample sample{};
    sample.volume = 40;
    sample.panning = 200;
    ChannelState channel{};
    channel.vibrato_position = 12;
    channel.tremolo_position = -7;
    channel.tremor_position = 2;
    channel.key_off = 1;
    channel.waveform_control = 0x40;  // tremolo keeps its phase, vibrato restarts
    ResetChannel(&channel, &sample);
    EXPECT_EQ(channel.vibrato_position, 0);
    EXPECT_EQ(channel.tremolo_position, -7);
    EXPECT_EQ(channel.tremor_position, 0);
    EXPECT_EQ(channel.key_off, 0);
    EXPECT_EQ(channel.volume, 40);
    EXPECT_EQ(channel.panning, 200);
    EXPECT_EQ(channel.fadeout_volume, 65536);
    EXPECT_EQ(channel.vol_env_value, 64);
    EXPECT_EQ(channel.pan_env_value, 32);
    EXPECT_EQ(channel.update_flags, UPDATE_VOLUME | UPDATE_PANNING);

    channel.waveform_control = 0x04;
    channel.vibrato_position = 12;
    ResetChannel(&channel, &sample);
    EXPECT_EQ(channel.vibrato_position, 12);
    EXPECT_EQ(channel.tremolo_position, 0);
}

TEST(ChannelReset, SampleVolumeAboveRangePlaysAs64)
{
    Sample sample{};
    sample.volume = 200;
    ChannelState channel{};
    ResetChannel(&channel, &sample);
    EXPECT_EQ(channel.volume, 64);
}

TEST(ChannelVolumeColumn, RowPartByByte)
{
    ChannelState channel{};
    channel.volume = 30;
    ApplyVolumeColumn(&channel, 0x50);
    EXPECT_EQ(channel.volume, 64);
    EXPECT_EQ(channel.update_flags, UPDATE_VOLUME);

    channel.update_flags = 0;
    ApplyVolumeColumn(&channel, 0x51);
    ApplyVolumeColumn(&channel, 0x0F);
    EXPECT_EQ(channel.volume, 64);
    EXPECT_EQ(channel.update_flags, 0);

    ApplyVolumeColumn(&channel, 0x9F);  // fine up, limited
    EXPECT_EQ(channel.volume, 64);
    ApplyVolumeColumn(&channel, 0x65);
    EXPECT_EQ(channel.volume, 59);
    channel.volume = 3;
    ApplyVolumeColumn(&channel, 0x8F);
    EXPECT_EQ(channel.volume, 0);

    ApplyVolumeColumn(&channel, 0xC8);
    EXPECT_EQ(channel.panning, 128);
    channel.panning = 5;
    ApplyVolumeColumn(&channel, 0xDF);
    EXPECT_EQ(channel.panning, -10);
    channel.panning = 250;
    ApplyVolumeColumn(&channel, 0xEF);
    EXPECT_EQ(channel.panning, 265);

    ApplyVolumeColumn(&channel, 0xA7);
    ApplyVolumeColumn(&channel, 0xB9);
    EXPECT_EQ(channel.vibrato_speed, 7);
    EXPECT_EQ(channel.vibrato_depth, 9);
}

TEST(ChannelVolumeColumn, ToneSlideWithoutSpeedStillSetsTargetAndSuppressesRestart)
{
    ChannelState channel{};
    channel.tone_porta_speed = 5;
    channel.note_period = 3000;
    channel.update_flags = UPDATE_TRIGGER | UPDATE_FREQUENCY;
    ApplyVolumeColumn(&channel, 0xF0);
    EXPECT_EQ(channel.tone_porta_speed, 5);
    EXPECT_EQ(channel.tone_porta_target, 3000);
    EXPECT_EQ(channel.update_flags, UPDATE_FREQUENCY);
    ApplyVolumeColumn(&channel, 0xF3);
    EXPECT_EQ(channel.tone_porta_speed, 48);
}
