// Tick effects and modulators: arpeggio, slides, vibrato, tremolo, tremor, retrigger,
// envelopes and auto-vibrato.
#include <gtest/gtest.h>

#include "player/envelope.h"
#include "player/modulators.h"
#include "test_sequencer_song.h"

namespace {

constexpr uint8_t NOTE_C4 = 49;  // real note 48, period 4608

// One channel, one 64-row pattern; row 0 plays NOTE_C4 with instrument 1 and the given effect.
struct EffectSong {
    TestSong t{1, {64}};
    EffectSong(uint8_t effect, uint8_t parameter, uint8_t volume_column = 0)
    {
        t.Put(0, 0, 0, NOTE_C4, 1, volume_column, effect, parameter);
        t.Start();
    }
    ChannelState& channel() { return channels[0]; }
};

}  // namespace

TEST(TickEffects, ArpeggioCyclesXThenYThenNone)
{
    EffectSong s(0, 0x37);
    s.t.Ticks(1);
    EXPECT_EQ(s.channel().period_delta, 0);
    int expected[] = {3 * 64, 7 * 64, 0, 3 * 64, 7 * 64};
    for (int d : expected) {
        s.t.Ticks(1);
        EXPECT_EQ(s.channel().period_delta, d);
    }
}

TEST(TickEffects, ArpeggioKeepsCycleOnPatternDelayTicks)
{
    TestSong t(2, {64});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0x37);
    t.Put(0, 0, 1, 0, 0, 0, 0xE, 0xE1);  // row lasts 12 ticks
    t.Start();
    t.Ticks(8);  // ticks 0..7
    EXPECT_EQ(t.song.row, 0);
    EXPECT_EQ(channels[0].period_delta, 3 * 64);  // tick 7: 7 mod 3 = 1
    t.Ticks(4);                                   // ticks 8..11
    EXPECT_EQ(t.song.row, 0);
    EXPECT_EQ(channels[0].period_delta, 7 * 64);  // tick 11: 11 mod 3 = 2
    t.Ticks(1);
    EXPECT_EQ(t.song.row, 1);
}

TEST(TickEffects, PortamentoUpStopsAt56DownHasNoLimit)
{
    EffectSong up(1, 0xFF);
    up.t.Ticks(1);
    up.channel().period = 300;
    up.t.Ticks(1);
    EXPECT_EQ(up.channel().period, 56);
    EffectSong down(2, 0xFF);
    down.t.Ticks(6);
    EXPECT_EQ(down.channel().period, 4608 + 5 * 4 * 255);
}

TEST(TickEffects, TonePortamentoClipsToTargetAndSpeedZeroNeverMoves)
{
    ChannelState channel{};
    channel.period = 1000;
    channel.tone_porta_target = 1010;
    channel.tone_porta_speed = 2;
    StepTonePortamento(&channel);
    EXPECT_EQ(channel.period, 1008);
    StepTonePortamento(&channel);
    EXPECT_EQ(channel.period, 1010);
    channel.tone_porta_target = 900;
    channel.tone_porta_speed = 0;
    StepTonePortamento(&channel);
    EXPECT_EQ(channel.period, 1010);
    EXPECT_EQ(channel.update_flags, UPDATE_FREQUENCY);
}

TEST(TickEffects, VibratoWaveforms)
{
    ChannelState channel{};
    channel.vibrato_depth = 15;
    channel.waveform_control = 2;  // square
    channel.vibrato_position = 5;
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, -116);
    channel.vibrato_position = -5;
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, 116);

    channel.waveform_control = 0;  // sine: 255 at 16, 0 at -32
    channel.vibrato_position = 16;
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, -116);
    channel.vibrato_position = -32;
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, 0);
    channel.vibrato_depth = 8;
    channel.vibrato_position = 1;  // 25 × 8 >> 5 = 6, low bits cleared = 4
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, -4);

    channel.waveform_control = 1;  // ramp: pos −32 → 255, pos −1 → 7
    channel.vibrato_depth = 15;
    channel.vibrato_position = -32;
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, 116);
    channel.vibrato_position = -1;
    ApplyVibrato(&channel);
    EXPECT_EQ(channel.period_delta, 0);  // 7 × 15 >> 5 = 3 → 0
}

TEST(TickEffects, TremoloIsLimitedToTheVolumeRange)
{
    ChannelState channel{};
    channel.volume = 60;
    channel.tremolo_depth = 15;
    channel.tremolo_speed = 20;
    channel.tremolo_position = 16;
    ApplyTremolo(&channel);
    EXPECT_EQ(channel.volume_delta, 4);
    EXPECT_EQ(channel.tremolo_position, 36 - 64);
    channel.volume = 10;
    channel.tremolo_position = -16;
    ApplyTremolo(&channel);
    EXPECT_EQ(channel.volume_delta, -10);
}

TEST(TickEffects, TremorThreeOnTwoOffCountingTheRowTick)
{
    TestSong t(1, {64});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 29, 0x21);
    t.Put(0, 1, 0, 0, 0, 0, 29, 0x00);
    t.Start();
    std::vector<int> silent;
    for (int tick = 0; tick < 12; ++tick) {
        t.Ticks(1);
        silent.push_back(channels[0].volume_delta == -64 ? 1 : 0);
    }
    EXPECT_EQ(silent, (std::vector<int>{0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0}));
}

TEST(TickEffects, TremorCounterRestartsWhenCycleShrinksBelowIt)
{
    ChannelState channel{};
    channel.volume = 50;
    channel.tremor_position = 6;
    channel.tremor_on_ticks = 1;
    channel.tremor_off_ticks = 1;
    ApplyTremor(&channel);
    EXPECT_EQ(channel.volume_delta, -50);
    EXPECT_EQ(channel.tremor_position, 0);
}

TEST(TickEffects, MultiRetriggerVolumeRules)
{
    struct Case {
        uint8_t parameter;
        uint8_t volume_column;
        int expected;
    };
    for (Case c : {Case{0x61, 0x50, 42}, Case{0xE1, 0x42, 64}, Case{0x71, 0x11, 0},
                   Case{0x51, 0x20, 0}, Case{0xF1, 0x30, 64}}) {
        EffectSong s(27, c.parameter, c.volume_column);
        s.t.Ticks(2);
        EXPECT_EQ(s.channel().volume, c.expected) << std::hex << int(c.parameter);
        EXPECT_TRUE(s.channel().update_flags & UPDATE_TRIGGER);
    }
}

TEST(TickEffects, RetriggerE93AtSpeed6OnTick3Only)
{
    EffectSong s(0xE, 0x93);
    s.t.Ticks(1);
    for (int tick = 1; tick < 6; ++tick) {
        s.t.Ticks(1);
        EXPECT_EQ((s.channel().update_flags & UPDATE_TRIGGER) != 0, tick == 3) << tick;
    }
    EffectSong never(0xE, 0x90);
    never.t.Ticks(1);
    for (int tick = 1; tick < 6; ++tick) {
        never.t.Ticks(1);
        EXPECT_EQ(never.channel().update_flags & UPDATE_TRIGGER, 0);
    }
}

TEST(TickEffects, NoteCutOnTickYAndNeverForY0OrBeyondRow)
{
    EffectSong cut(0xE, 0xC2);
    cut.t.Ticks(2);
    EXPECT_EQ(cut.channel().volume, 64);
    cut.t.Ticks(1);
    EXPECT_EQ(cut.channel().volume, 0);
    for (uint8_t parameter : {0xC0, 0xC6, 0xCF}) {
        EffectSong never(0xE, parameter);
        never.t.Ticks(6);
        EXPECT_EQ(never.channel().volume, 64);
    }
}

TEST(TickEffects, EnvelopeHoldsPreviousValueUntilFirstPoint)
{
    Instrument instrument{};
    SetVolumeEnvelope(&instrument, {{5, 40}, {10, 60}}, 1);
    ChannelState channel{};
    channel.vol_env_fixed = 32 << 16;
    for (int tick = 0; tick < 5; ++tick) {
        StepVolumeEnvelope(&channel, &instrument);
        EXPECT_EQ(channel.vol_env_value, 32);
    }
    StepVolumeEnvelope(&channel, &instrument);
    EXPECT_EQ(channel.vol_env_value, 40);
    for (int tick = 6; tick < 10; ++tick) StepVolumeEnvelope(&channel, &instrument);
    EXPECT_EQ(channel.vol_env_value, 56);
    StepVolumeEnvelope(&channel, &instrument);
    EXPECT_EQ(channel.vol_env_value, 60);
    EXPECT_EQ(channel.vol_env_done, 1);
}

TEST(TickEffects, EnvelopeSustainHoldsUntilKeyOffAndLoopRepeats)
{
    Instrument instrument{};
    SetVolumeEnvelope(&instrument, {{0, 64}, {2, 32}, {4, 0}}, 1 | 2 | 4);
    instrument.volume_sustain_point = 1;
    instrument.volume_loop_start = 0;
    instrument.volume_loop_end = 2;
    ChannelState channel{};
    for (int tick = 0; tick < 10; ++tick) StepVolumeEnvelope(&channel, &instrument);
    EXPECT_EQ(channel.vol_env_value, 32);
    EXPECT_EQ(channel.vol_env_tick, 2u);
    channel.key_off = 1;
    std::vector<int> values;
    for (int tick = 0; tick < 6; ++tick) {
        StepVolumeEnvelope(&channel, &instrument);
        values.push_back(channel.vol_env_value);
    }
    // Leaves the sustain point, reaches the loop end and jumps back to the loop start.
    EXPECT_EQ(values, (std::vector<int>{32, 16, 64, 48, 32, 16}));
    EXPECT_EQ(channel.vol_env_done, 0);
}

TEST(TickEffects, EnvelopeIgnoresPointsBeyondTwelveAndLoopsStartingPastTheCount)
{
    Instrument instrument{};
    for (int i = 0; i < 20; ++i)
        instrument.volume_envelope[i] = {static_cast<uint16_t>(i), static_cast<uint16_t>(i * 5)};
    instrument.volume_point_count = 200;
    instrument.volume_envelope_flags = 1 | 4;
    instrument.volume_loop_start = 150;
    instrument.volume_loop_end = 11;
    ChannelState channel{};
    for (int tick = 0; tick < 40 && !channel.vol_env_done; ++tick)
        StepVolumeEnvelope(&channel, &instrument);
    EXPECT_EQ(channel.vol_env_done, 1);
    EXPECT_EQ(channel.vol_env_value, 55);

    Instrument short_loop{};
    SetVolumeEnvelope(&short_loop, {{0, 10}, {1, 20}, {2, 30}}, 1 | 4);
    short_loop.volume_loop_start = 5;
    short_loop.volume_loop_end = 2;
    ChannelState other{};
    for (int tick = 0; tick < 10 && !other.vol_env_done; ++tick)
        StepVolumeEnvelope(&other, &short_loop);
    EXPECT_EQ(other.vol_env_done, 1);
    EXPECT_EQ(other.vol_env_value, 30);
}

TEST(TickEffects, AutoVibratoSweepZeroIsFullDepthAtOnce)
{
    Instrument instrument{};
    instrument.vibrato_type = 1;
    instrument.vibrato_depth = 15;
    ChannelState channel{};
    ApplyAutoVibrato(&channel, &instrument);
    EXPECT_EQ(channel.period_delta, (64 * 15) >> 6);
    EXPECT_EQ(channel.update_flags, UPDATE_FREQUENCY);

    instrument.vibrato_sweep = 4;
    ChannelState swept{};
    ApplyAutoVibrato(&swept, &instrument);
    EXPECT_EQ(swept.period_delta, 0);
    swept.period_delta = 0;
    ApplyAutoVibrato(&swept, &instrument);
    EXPECT_EQ(swept.period_delta, (64 * 15 * 1 / 4) >> 6);
}

TEST(TickEffects, AutoVibratoWaveformsAndUndefinedTypesPlayAsSine)
{
    auto value_at = [](uint8_t type, int position) {
        Instrument instrument{};
        instrument.vibrato_type = type;
        instrument.vibrato_depth = 64;  // v × 64 >> 6 = v
        ChannelState channel{};
        channel.auto_vibrato_position = position;
        ApplyAutoVibrato(&channel, &instrument);
        return channel.period_delta;
    };
    EXPECT_EQ(value_at(0, 64), 63);
    EXPECT_EQ(value_at(0, 192), -63);
    EXPECT_EQ(value_at(2, 127), -64);
    EXPECT_EQ(value_at(2, 128), 64);
    EXPECT_EQ(value_at(3, 128), 64);
    EXPECT_EQ(value_at(3, 129), -64);
    EXPECT_EQ(value_at(3, 255), -1);
    EXPECT_EQ(value_at(9, 64), value_at(0, 64));
    EXPECT_EQ(value_at(255, 200), value_at(0, 200));
}

TEST(TickEffects, GlobalVolumeSlideAndPanningSlideLimits)
{
    TestSong t(1, {64});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 17, 0x0F);
    t.Put(0, 1, 0, 0, 0, 0xCF, 25, 0xF0);  // panning 240, then +15 per tick
    t.Start();
    t.Ticks(6);
    EXPECT_EQ(t.song.global_volume, 0);
    t.Ticks(6);
    EXPECT_EQ(channels[0].panning, 255);
}
