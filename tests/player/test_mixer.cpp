// The mixer's rules on hand-checked cases: loop wraps and reflections at the exact frame,
// sample ends, large steps, volume ramps, and the conversion to 16-bit PCM.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "player/placeholders.h"
#include "tests/player/mixer_fixture.h"

namespace {

using mixer_test::Bits;
using mixer_test::MixerTest;
using mixer_test::OwnedSample;

const float GAIN = float(1.0 / 255.0);

// One voice's contribution to a zeroed output value.
float Contribution(double x, float gain) { return float(0.0 + x * double(gain)); }

int16_t Linear(uint32_t k) { return int16_t(k * 100); }

TEST_F(MixerTest, ForwardLoopWrapsAtTheExactFrame)
{
    OwnedSample s(200, LOOP_FORWARD, 50, 60, Linear);
    Voice& v = Steady(0, &s.sample, 64, 32);
    v.position = 100;
    v.position_frac = 0x80000000u;
    std::vector<float> out(2 * 11, 0.0f);
    MixVoices(out.data(), 11);
    // Ten frames at 100.5 .. 109.5, then the wrap to 50.5. Frame 109.5 interpolates
    // towards the guard frame 110, a copy of frame 50.
    for (int j = 0; j < 10; j++) {
        double x = j < 9 ? (100.5 + j) * 100 : 10900 + 0.5 * (5000 - 10900);
        ASSERT_EQ(Bits(out[2 * j]), Bits(Contribution(x, float(64 * GAIN))));
        ASSERT_EQ(Bits(out[2 * j + 1]), Bits(Contribution(x, float(32 * GAIN))));
    }
    EXPECT_EQ(out[20], Contribution(5050, float(64 * GAIN)));
    EXPECT_EQ(v.position, 51);
    EXPECT_EQ(v.position_frac, 0x80000000u);
    EXPECT_EQ(v.direction, 1);
}

TEST_F(MixerTest, VoiceOnItsLoopEndWrapsBeforeItsFirstFrame)
{
    OwnedSample s(200, LOOP_FORWARD, 50, 60, Linear);
    Voice& v = Steady(0, &s.sample, 64, 64);
    v.position = 110;
    float out[2] = {0, 0};
    MixVoices(out, 1);
    EXPECT_EQ(out[0], Contribution(5000, float(64 * GAIN)));
    EXPECT_EQ(v.position, 51);
}

TEST_F(MixerTest, PingPongReflectsAtTheLoopEnd)
{
    OwnedSample s(200, LOOP_PING_PONG, 50, 60, Linear);
    Voice& v = Steady(0, &s.sample, 64, 64);
    v.position = 109;
    v.position_frac = 0x80000000u;
    float out[2 * 4] = {};
    MixVoices(out, 1);
    // The guard frame 110 repeats frame 109.
    EXPECT_EQ(out[0], Contribution(10900, float(64 * GAIN)));
    EXPECT_EQ(v.position, 109);
    EXPECT_EQ(v.position_frac, 0x7FFFFFFFu);
    EXPECT_EQ(v.direction, 2);
    MixVoices(out + 2, 3);
    // 109.5, 108.5, 107.5, each less 2^-32: the weight keeps 31 bits of the fraction.
    double w = double(0x7FFFFFFFu >> 1) / 2147483648.0;
    for (int j = 0; j < 3; j++) {
        double a = (109 - j) * 100;
        double b = j == 0 ? 10900 : a + 100;
        EXPECT_EQ(Bits(out[2 + 2 * j]), Bits(Contribution(a + w * (b - a), float(64 * GAIN))));
    }
    EXPECT_EQ(v.position, 106);
    EXPECT_EQ(v.position_frac, 0x7FFFFFFFu);
}

TEST_F(MixerTest, PingPongStepLongerThanTheLoopReflectsSeveralTimes)
{
    OwnedSample s(200, LOOP_PING_PONG, 50, 10, Linear);
    Voice& v = Steady(0, &s.sample, 64, 64);
    v.position = 55;
    v.step = 37;
    float out[2] = {};
    MixVoices(out, 1);
    // 92 mirrors to 28 - 2^-32, 72, 48 - 2^-32 and 52: four reflections, ending forward.
    EXPECT_EQ(v.position, 52);
    EXPECT_EQ(v.position_frac, 0u);
    EXPECT_EQ(v.direction, 1);
}

TEST_F(MixerTest, SampleEndIdlesTheVoiceMidBuffer)
{
    OwnedSample s(20, LOOP_NONE, 0, 0, [](uint32_t) { return int16_t(1000); });
    Voice& v = Steady(0, &s.sample, 64, 64);
    v.position = 10;
    std::vector<float> out(2 * 30, 0.0f);
    MixVoices(out.data(), 30);
    for (int j = 0; j < 9; j++) ASSERT_EQ(out[2 * j], Contribution(1000, float(64 * GAIN)));
    // The last frame interpolates towards the zero slack only at fraction 0: still 1000.
    EXPECT_EQ(out[18], Contribution(1000, float(64 * GAIN)));
    for (int j = 10; j < 30; j++) ASSERT_EQ(out[2 * j], 0.0f);
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.position, 0);
    EXPECT_EQ(v.position_frac, 0u);
}

TEST_F(MixerTest, EmptySampleMixesNothingAndIdles)
{
    Sample empty{};
    empty.loop_type = LOOP_NONE;
    Steady(0, &empty, 64, 64);
    Steady(1, &silent_sample, 64, 64);
    float out[2 * 8] = {};
    MixVoices(out, 8);
    for (float f : out) EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(voices[0].sample, nullptr);
    EXPECT_EQ(voices[1].sample, nullptr);
}

TEST_F(MixerTest, StepsOfManyFramesCountTheirWholeIntegerPart)
{
    // 300 frames per output frame: the boundary of a 1000-frame sample is 4 frames away.
    OwnedSample s(1000, LOOP_NONE, 0, 0, [](uint32_t) { return int16_t(500); });
    Voice& v = Steady(0, &s.sample, 64, 64);
    v.step = 300;
    std::vector<float> out(2 * 10, 0.0f);
    MixVoices(out.data(), 10);
    for (int j = 0; j < 4; j++) EXPECT_NE(out[2 * j], 0.0f) << j;
    for (int j = 4; j < 10; j++) EXPECT_EQ(out[2 * j], 0.0f) << j;
    EXPECT_EQ(v.sample, nullptr);
}

TEST_F(MixerTest, ZeroStepStandsStillWithoutDividingByZero)
{
    OwnedSample s(100, LOOP_FORWARD, 0, 100, Linear);
    Voice& v = Steady(0, &s.sample, 64, 64);
    v.position = 40;
    v.step = 0;
    v.step_frac = 0;
    std::vector<float> out(2 * 50, 0.0f);
    MixVoices(out.data(), 50);
    for (int j = 0; j < 50; j++) ASSERT_EQ(out[2 * j], Contribution(4000, float(64 * GAIN)));
    EXPECT_EQ(v.position, 40);
}

TEST_F(MixerTest, ZeroStepInsideALoopNeverWrapsOrReflects)
{
    // Mirroring a position that never crossed the loop point would push it further out on
    // every reflection, past the data.
    OwnedSample ping(3, LOOP_PING_PONG, 1, 1, Linear);
    OwnedSample forward(3, LOOP_FORWARD, 0, 2, Linear);
    for (Sample* s : {&ping.sample, &forward.sample}) {
        for (int32_t direction : {1, 2}) {
            SetUp();
            Voice& v = Steady(0, s, 64, 64);
            v.direction = s->loop_type == LOOP_PING_PONG ? direction : 1;
            v.position = 1;
            v.position_frac = 0xF0000000u;
            v.step = 0;
            std::vector<float> out(2 * 884, 0.0f);
            for (int call = 0; call < 20; call++) MixVoices(out.data(), 884);
            EXPECT_EQ(v.position, 1);
            EXPECT_EQ(v.position_frac, 0xF0000000u);
        }
    }
}

TEST_F(MixerTest, NewVoiceRampsUpOverRampLengthFrames)
{
    OwnedSample s(1000, LOOP_NONE, 0, 0, [](uint32_t) { return int16_t(1000); });
    Voice& v = Rising(3, &s.sample, 64, 64);
    std::vector<float> out(2 * 200, 0.0f);
    MixVoices(out.data(), 200);
    const float increment = float(64.0 * double(GAIN) * (1.0 / 128.0));
    float gain = 0.0f;
    for (int j = 0; j < 128; j++) {
        ASSERT_EQ(Bits(out[2 * j]), Bits(Contribution(1000, gain))) << j;
        ASSERT_EQ(Bits(out[2 * j + 1]), Bits(Contribution(1000, gain))) << j;
        gain += increment;
    }
    for (int j = 128; j < 200; j++) {
        ASSERT_EQ(Bits(out[2 * j]), Bits(Contribution(1000, float(64 * GAIN)))) << j;
    }
    EXPECT_EQ(v.ramp_remaining, 0);
    EXPECT_EQ(v.current_left, 64 * 256);
    EXPECT_EQ(v.current_right, 64 * 256);
    EXPECT_EQ(v.ramp_left_increment, 0.0f);
}

TEST_F(MixerTest, ChangedTargetMidRampStartsAFullRampFromTheCurrentVolume)
{
    OwnedSample s(1000, LOOP_NONE, 0, 0, [](uint32_t) { return int16_t(1000); });
    Voice& v = Rising(0, &s.sample, 64, 0);
    std::vector<float> out(2 * 50, 0.0f);
    MixVoices(out.data(), 50);
    EXPECT_EQ(v.ramp_remaining, 78);
    const float increment = float(64.0 * double(GAIN) * (1.0 / 128.0));
    float gain = 0.0f;
    for (int j = 0; j < 50; j++) gain += increment;
    int32_t current = int32_t(std::nearbyint(double(gain) * 255.0 * 256.0));
    EXPECT_EQ(v.current_left, current);
    EXPECT_EQ(v.current_right, 0);

    v.left_volume = 20;
    std::fill(out.begin(), out.end(), 0.0f);
    MixVoices(out.data(), 10);
    EXPECT_EQ(v.ramp_remaining, 128 - 10);
    EXPECT_EQ(v.ramp_left_target, 20);
    const float down = float(double(20 - (current >> 8)) * double(GAIN) * (1.0 / 128.0));
    EXPECT_EQ(v.ramp_left_increment, down);
    float restarted = float(double(current) * (1.0 / 256.0) * double(GAIN));
    EXPECT_EQ(Bits(out[0]), Bits(Contribution(1000, restarted)));
    EXPECT_EQ(Bits(out[2]), Bits(Contribution(1000, restarted + down)));
}

TEST_F(MixerTest, RampContinuesAcrossALoopPoint)
{
    OwnedSample s(100, LOOP_FORWARD, 40, 60, [](uint32_t) { return int16_t(1000); });
    Voice& v = Rising(0, &s.sample, 100, 50);
    v.position = 70;  // 30 frames before the loop end
    std::vector<float> out(2 * 60, 0.0f);
    MixVoices(out.data(), 60);
    EXPECT_EQ(v.ramp_remaining, 128 - 60);
    EXPECT_EQ(v.position, 70);
    // The gain keeps rising across the loop point: no restart from the 24.8 volume at 0.
    EXPECT_GT(out[2 * 30], out[2 * 29]);
    EXPECT_GT(out[2 * 59], out[2 * 30]);
    float step_up = out[2 * 31] - out[2 * 30];
    EXPECT_NEAR(out[2 * 30] - out[2 * 29], step_up, 0.01f);
}

TEST_F(MixerTest, RampEndingMidCallLeavesTheTargetVolume)
{
    OwnedSample s(1000, LOOP_NONE, 0, 0, [](uint32_t) { return int16_t(-3000); });
    Voice& v = Steady(0, &s.sample, 127, 127);
    v.left_volume = 10;
    v.right_volume = 127;
    std::vector<float> out(2 * 100, 0.0f);
    MixVoices(out.data(), 100);
    EXPECT_EQ(v.ramp_remaining, 28);
    std::fill(out.begin(), out.end(), 0.0f);
    MixVoices(out.data(), 100);
    EXPECT_EQ(v.ramp_remaining, 0);
    EXPECT_EQ(v.current_left, 10 * 256);
    EXPECT_EQ(v.current_right, 127 * 256);
    for (int j = 28; j < 100; j++) {
        ASSERT_EQ(Bits(out[2 * j]), Bits(Contribution(-3000, float(10 * GAIN)))) << j;
    }
}

TEST_F(MixerTest, VoicesAddIntoTheBufferAndZeroFramesDoNothing)
{
    OwnedSample s(1000, LOOP_NONE, 0, 0, [](uint32_t) { return int16_t(1000); });
    Steady(0, &s.sample, 64, 0);
    Steady(63, &s.sample, 64, 0);
    Steady(64, &s.sample, 127, 127);  // beyond the mixed voices
    float out[4] = {1.0f, 2.0f, 0, 0};
    MixVoices(out, 0);
    MixVoices(out, -5);
    EXPECT_EQ(out[0], 1.0f);
    MixVoices(out, 1);
    float once = float(1.0 + 1000.0 * double(float(64 * GAIN)));
    EXPECT_EQ(out[0], float(double(once) + 1000.0 * double(float(64 * GAIN))));
    EXPECT_EQ(out[1], 2.0f);
    EXPECT_EQ(voices[64].position, 0);
}

TEST(ConvertToPcm16, RoundsToNearestEvenAndClips)
{
    const float in[] = {0.5f, 1.5f,  -2.5f,    32767.5f,  -40000.0f,
                        2.5f, -0.5f, 40000.0f, -32768.0f, 1e30f};
    int16_t out[10] = {};
    ConvertToPcm16(out, in, 5);
    const int16_t want[] = {0, 2, -2, 32767, -32768, 2, 0, 32767, -32768, 32767};
    for (int k = 0; k < 10; k++) EXPECT_EQ(out[k], want[k]) << k;
    out[0] = 7;
    ConvertToPcm16(out, in, 0);
    ConvertToPcm16(nullptr, in, 5);
    ConvertToPcm16(out, nullptr, 5);
    EXPECT_EQ(out[0], 7);
}

}  // namespace
