// The optimised mixer against a plain one written here from the rules, one frame at a time:
// exact 128-bit distances, one loop wrap and one reflection at a time, no pairing of frames,
// silent voices mixed like any other. Random voices (tiny, ordinary and huge steps; all loop
// kinds; running ramps; silent voices; positions anywhere) must give the same float output
// and the same voice records, bit for bit, on every kernel set the processor runs, with
// silent voices skipped and mixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "player/mixer_path.h"
#include "tests/player/mixer_fixture.h"

// Kernel sets by name in test output.
void PrintTo(MixerPath path, std::ostream* out) { *out << MixerPathName(path); }

namespace {

using mixer_test::Bits;
using mixer_test::MixerTest;
using mixer_test::OwnedSample;

typedef __int128 Wide;
const float GAIN = float(1.0 / 255.0);

void ReferenceMixVoice(Voice& v, float* out, int32_t frames)
{
    for (;;) {
        const Sample& s = *v.sample;
        Wide p = Wide(v.position) * (Wide(1) << 32) + v.position_frac;
        Wide step = Wide(v.step) * (Wide(1) << 32) + v.step_frac;
        Wide loop_end = Wide(s.loop_start) + s.loop_length;

        int32_t n = frames;
        bool at_boundary = false;
        Wide distance;
        if (v.direction == 1) {
            Wide boundary = v.position <= loop_end ? loop_end : Wide(s.length);
            distance = boundary * (Wide(1) << 32) - p;
        } else {
            distance = p - Wide(s.loop_start) * (Wide(1) << 32);
        }
        if (distance < 0) {
            n = 0;
            at_boundary = true;
        } else if (step == 0 && distance > 0 && (s.loop_type & 6) && s.loop_length > 0) {
            // A looping voice at step 0 never reaches its loop point.
        } else if (distance < (Wide(1) << 56)) {
            Wide substitute = step != 0 ? step : Wide(ZERO_STEP_SUBSTITUTE);
            Wide divisor = substitute / 256 > 0 ? substitute / 256 : 1;
            Wide k = (distance / 256 + divisor - 1) / divisor;
            if (k <= n) {
                n = int32_t(k);
                at_boundary = true;
            }
        }

        int32_t n_before = n;
        bool ramp;
        if (v.ramp_remaining > 0 && v.left_volume == v.ramp_left_target &&
            v.right_volume == v.ramp_right_target) {
            ramp = true;
        } else {
            v.ramp_left_target = v.left_volume;
            v.ramp_right_target = v.right_volume;
            int32_t dl = v.left_volume - int32_t(uint32_t(v.current_left) >> 8);
            int32_t dr = v.right_volume - int32_t(uint32_t(v.current_right) >> 8);
            v.ramp_left_increment =
                dl ? float(double(dl) * double(GAIN) * double(ramp_reciprocal)) : 0.0f;
            v.ramp_right_increment =
                dr ? float(double(dr) * double(GAIN) * double(ramp_reciprocal)) : 0.0f;
            v.ramp_remaining = (dl || dr) ? ramp_length : 0;
            ramp = v.ramp_remaining > 0;
        }
        if (ramp && v.ramp_remaining < n) n = v.ramp_remaining;

        float left_gain = ramp ? float(double(v.current_left) / 256.0 * double(GAIN))
                               : float(v.left_volume * GAIN);
        float right_gain = ramp ? float(double(v.current_right) / 256.0 * double(GAIN))
                                : float(v.right_volume * GAIN);
        for (int32_t j = 0; j < n; j++) {
            int64_t i = int64_t(p >> 32);
            double w = double(uint32_t(uint64_t(p)) >> 1) / 2147483648.0;
            double a = s.data[i];
            double b = s.data[i + 1];
            double x = a + w * (b - a);
            out[2 * j] = float(double(out[2 * j]) + x * double(left_gain));
            out[2 * j + 1] = float(double(out[2 * j + 1]) + x * double(right_gain));
            if (ramp) {
                left_gain = left_gain + v.ramp_left_increment;
                right_gain = right_gain + v.ramp_right_increment;
            }
            p += v.direction == 1 ? step : -step;
        }
        v.position = int32_t(int64_t(p >> 32));
        v.position_frac = uint32_t(uint64_t(p));

        if (ramp) {
            v.current_left = int32_t(std::nearbyint(double(left_gain) * 255.0 * 256.0));
            v.current_right = int32_t(std::nearbyint(double(right_gain) * 255.0 * 256.0));
            v.ramp_remaining -= n;
            if (v.ramp_remaining == 0) {
                v.ramp_left_increment = 0.0f;
                v.ramp_right_increment = 0.0f;
                v.current_left = v.left_volume * 256;
                v.current_right = v.right_volume * 256;
                if (n < n_before) {
                    out += 2 * n;
                    frames -= n;
                    continue;
                }
            }
        }
        if (!at_boundary) return;

        if (s.loop_type & LOOP_FORWARD) {
            uint32_t position = uint32_t(v.position);
            do {
                position -= s.loop_length;
            } while (position >= s.loop_start + s.loop_length);
            v.position = int32_t(position);
        } else if (s.loop_type & LOOP_PING_PONG) {
            Wide start = Wide(s.loop_start) << 32;
            Wide end = Wide(loop_end) << 32;
            bool at_end = v.direction == 1;
            for (;;) {
                if (at_end) {
                    p = 2 * end - 1 - p;
                    v.direction = 2;
                    if (p >= start) break;
                } else {
                    p = 2 * start - 1 - p;
                    v.direction = 1;
                    if (p < end) break;
                }
                at_end = !at_end;
            }
            v.position = int32_t(int64_t(p >> 32));
            v.position_frac = uint32_t(uint64_t(p));
        } else {
            v.sample = nullptr;
            v.position = 0;
            v.position_frac = 0;
            return;
        }
        out += 2 * n;
        frames -= n;
        if (frames <= 0) return;
    }
}

void ReferenceMixVoices(Voice* table, float* out, int32_t frames)
{
    if (frames <= 0) return;
    for (int32_t slot = 0; slot < MIXED_VOICES; slot++) {
        if (table[slot].sample) ReferenceMixVoice(table[slot], out, frames);
    }
}

void ExpectSameVoice(const Voice& a, const Voice& b, int slot)
{
    SCOPED_TRACE(slot);
    EXPECT_EQ(a.sample, b.sample);
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.position_frac, b.position_frac);
    EXPECT_EQ(a.direction, b.direction);
    EXPECT_EQ(a.ramp_left_target, b.ramp_left_target);
    EXPECT_EQ(a.ramp_right_target, b.ramp_right_target);
    EXPECT_EQ(a.current_left, b.current_left);
    EXPECT_EQ(a.current_right, b.current_right);
    EXPECT_EQ(Bits(a.ramp_left_increment), Bits(b.ramp_left_increment));
    EXPECT_EQ(Bits(a.ramp_right_increment), Bits(b.ramp_right_increment));
    EXPECT_EQ(a.ramp_remaining, b.ramp_remaining);
    EXPECT_EQ(a.step, b.step);
    EXPECT_EQ(a.step_frac, b.step_frac);
}

struct RandomVoices {
    std::mt19937 rng;
    std::vector<std::unique_ptr<OwnedSample>> samples;

    explicit RandomVoices(uint32_t seed) : rng(seed) {}

    uint32_t Below(uint32_t n) { return n ? uint32_t(rng() % n) : 0; }

    Sample* NewSample()
    {
        uint32_t length = 1 + Below(Below(4) == 0 ? 8 : 3000);
        uint8_t kinds[] = {LOOP_NONE, LOOP_FORWARD, LOOP_PING_PONG};
        uint8_t kind = kinds[Below(3)];
        uint32_t loop_start = Below(length);
        uint32_t loop_length = 1 + Below(length - loop_start);
        if (Below(3) == 0) loop_length = 1 + Below(std::min<uint32_t>(4, length - loop_start));
        std::mt19937 frames(rng());
        samples.push_back(
            std::make_unique<OwnedSample>(length, kind, loop_start, loop_length,
                                          [&frames](uint32_t) { return int16_t(frames()); }));
        return &samples.back()->sample;
    }

    void Randomise(Voice& v)
    {
        v.sample = Below(8) == 0 ? nullptr : NewSample();
        if (!v.sample) return;
        const Sample& s = *v.sample;
        uint32_t loop_end = s.loop_start + s.loop_length;
        switch (Below(5)) {
        case 0:
            v.step = 0;
            v.step_frac = Below(4) == 0 ? 0 : rng();
            break;  // tiny
        case 1:
            v.step = int32_t(Below(3));
            v.step_frac = rng();
            break;  // ordinary
        case 2:
            v.step = int32_t(Below(40));
            v.step_frac = rng();
            break;  // large
        case 3:
            v.step = int32_t(250 + Below(5000));
            v.step_frac = rng();
            break;  // huge
        default:
            v.step = 1;
            v.step_frac = 0;
            break;
        }
        v.direction = 1;
        v.position = int32_t(Below(loop_end));
        if (s.loop_type == LOOP_PING_PONG && Below(2)) {
            v.direction = 2;
            v.position = int32_t(s.loop_start + Below(s.loop_length));
        }
        if (s.loop_type == LOOP_NONE || Below(4) == 0) v.position = int32_t(Below(s.length));
        v.position_frac = Below(6) == 0 ? 0 : rng();
        v.left_volume = int32_t(Below(128));
        v.right_volume = int32_t(Below(128));
        v.current_left = int32_t(Below(128 * 256));
        v.current_right = int32_t(Below(128 * 256));
        v.ramp_left_target = Below(2) ? v.left_volume : int32_t(Below(128));
        v.ramp_right_target = Below(2) ? v.right_volume : int32_t(Below(128));
        v.ramp_remaining = Below(2) ? 0 : int32_t(1 + Below(128));
        v.ramp_left_increment = float(double(int32_t(Below(255)) - 127) * double(GAIN) / 128.0);
        v.ramp_right_increment = float(double(int32_t(Below(255)) - 127) * double(GAIN) / 128.0);
        if (Below(3) == 0) Silence(v);
    }

    // Targets 0: a voice handed to its partner, still ramping down or already silent.
    void Silence(Voice& v)
    {
        v.left_volume = 0;
        v.right_volume = 0;
        if (Below(2) == 0) {
            v.current_left = int32_t(Below(256));
            v.current_right = int32_t(Below(256));
            v.ramp_remaining = 0;
        }
    }

    // Between calls, as the voice update does: new targets now and then, retriggers.
    void Disturb(Voice& v)
    {
        if (!v.sample) return;
        if (Below(4) == 0) v.left_volume = int32_t(Below(128));
        if (Below(4) == 0) v.right_volume = int32_t(Below(128));
        if (Below(6) == 0) Silence(v);
        if (Below(20) == 0) {
            v.position = 0;
            v.position_frac = 0;
            v.direction = 1;
            v.current_left = v.current_right = 0;
            v.ramp_remaining = 0;
        }
    }
};

// Every kernel set, with silent voices skipped (as played) and mixed.
class MixerPathTest : public MixerTest, public ::testing::WithParamInterface<MixerPath> {
protected:
    void SetUp() override
    {
        MixerTest::SetUp();
        if (!MixerPathSupported(GetParam())) GTEST_SKIP() << "not on this processor";
        SelectMixerPath(GetParam());
    }
    void TearDown() override
    {
        SelectMixerPath(BestMixerPath());
        SetSilentVoiceSkip(true);
    }
};

TEST_P(MixerPathTest, MatchesThePlainReferenceBitForBit)
{
    for (uint32_t round = 0; round < 40; round++) {
        SCOPED_TRACE(round);
        SetSilentVoiceSkip(round % 4 != 3);
        RandomVoices random(1000 + round);
        // Other mix rates give ramp lengths whose reciprocal is not a power of two.
        ramp_length = round % 2 ? 97 : 128;
        ramp_reciprocal = float(1.0 / ramp_length);
        for (int slot = 0; slot < MIXED_VOICES; slot++) random.Randomise(voices[slot]);
        std::vector<Voice> expected(voices, voices + VOICE_SLOTS);
        for (int call = 0; call < 6; call++) {
            int32_t frames = int32_t(1 + random.Below(call == 0 ? 3 : 884));
            std::vector<float> out(2 * size_t(frames));
            for (float& f : out) f = float(int32_t(random.Below(2001)) - 1000) / 8.0f;
            std::vector<float> want = out;
            MixVoices(out.data(), frames);
            ReferenceMixVoices(expected.data(), want.data(), frames);
            for (size_t k = 0; k < out.size(); k++) {
                ASSERT_EQ(Bits(out[k]), Bits(want[k])) << "call " << call << " value " << k;
            }
            for (int slot = 0; slot < MIXED_VOICES; slot++) {
                ExpectSameVoice(voices[slot], expected[size_t(slot)], slot);
            }
            if (HasFailure()) return;
            for (int slot = 0; slot < MIXED_VOICES; slot++) {
                random.Disturb(voices[slot]);
                expected[size_t(slot)] = voices[slot];
            }
        }
    }
}

// The conversion: random values in and beyond the 16-bit range, ties, and the extremes.
TEST_P(MixerPathTest, ConvertsLikeThePlainLoop)
{
    std::mt19937 rng(7);
    std::vector<float> in(4099);
    for (float& f : in) {
        uint32_t kind = rng() % 4;
        int32_t whole = int32_t(rng() % 80000) - 40000;
        f = kind == 0 ? float(whole) + 0.5f : float(whole) + float(rng() % 1000) / 1000.0f;
        if (kind == 3) f = float(int32_t(rng())) * 8.0f;
    }
    const float extremes[] = {32767.5f, 32766.5f,      -32768.5f,     -32769.0f, -0.0f,
                              -0.5f,    1e30f,         -1e30f,        INFINITY,  -INFINITY,
                              NAN,      2147483648.0f, -2147483904.0f};
    std::copy(std::begin(extremes), std::end(extremes), in.begin() + 3);
    std::vector<int16_t> got(in.size()), want(in.size());
    ConvertToPcm16(got.data(), in.data(), int32_t(in.size() / 2));
    SelectMixerPath(MixerPath::PLAIN);
    ConvertToPcm16(want.data(), in.data(), int32_t(in.size() / 2));
    for (size_t k = 0; k + 1 < in.size(); k++) ASSERT_EQ(got[k], want[k]) << k << " " << in[k];
}

INSTANTIATE_TEST_SUITE_P(Paths, MixerPathTest,
                         ::testing::Values(MixerPath::PLAIN, MixerPath::SSE2, MixerPath::AVX2,
                                           MixerPath::AVX512),
                         [](const ::testing::TestParamInfo<MixerPath>& info) {
                             return std::string(MixerPathName(info.param));
                         });

}  // namespace
