// Helpers for mixer tests: samples built in the loader's buffer layout, and a clean voice
// table.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "player/mixer.h"
#include "player/sample_data.h"
#include "player/song.h"

namespace mixer_test {

// A sample with frames from `frame_at`, the given loop, and the guard frame the loader
// writes.
struct OwnedSample {
    Sample sample{};
    OwnedSample(uint32_t length, uint8_t loop_type, uint32_t loop_start, uint32_t loop_length,
                const std::function<int16_t(uint32_t)>& frame_at)
    {
        sample.length = length;
        sample.loop_type = loop_type;
        sample.loop_start = loop_type == LOOP_NONE ? 0 : loop_start;
        sample.loop_length = loop_type == LOOP_NONE ? length : loop_length;
        sample.bits = 16;
        sample.data = length ? AllocateSampleData(length) : nullptr;
        for (uint32_t k = 0; k < length; k++) sample.data[k] = frame_at(k);
        uint32_t guard = sample.loop_start + sample.loop_length;
        if (loop_type == LOOP_FORWARD) sample.data[guard] = sample.data[sample.loop_start];
        if (loop_type == LOOP_PING_PONG) sample.data[guard] = sample.data[guard - 1];
    }
    ~OwnedSample() { FreeSampleData(sample.data); }
    OwnedSample(const OwnedSample&) = delete;
    OwnedSample& operator=(const OwnedSample&) = delete;
};

// Voices cleared as at play start, with the ramp constants of 44100 Hz.
class MixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(voices, 0, sizeof(voices));
        for (int32_t i = 0; i < VOICE_SLOTS; i++) {
            voices[i].index = i;
            voices[i].step = 1;
        }
        ramp_length = 128;
        ramp_reciprocal = 1.0f / 128.0f;
    }

    // Starts voice `slot` on a sample at steady volumes (no ramp pending).
    static Voice& Steady(int slot, Sample* sample, int32_t left, int32_t right)
    {
        Voice& v = voices[slot];
        v.sample = sample;
        v.direction = 1;
        v.left_volume = v.ramp_left_target = left;
        v.right_volume = v.ramp_right_target = right;
        v.current_left = left * 256;
        v.current_right = right * 256;
        return v;
    }

    // Starts voice `slot` on a sample with new volumes, which it ramps up to from silence.
    static Voice& Rising(int slot, Sample* sample, int32_t left, int32_t right)
    {
        Voice& v = voices[slot];
        v.sample = sample;
        v.direction = 1;
        v.left_volume = left;
        v.right_volume = right;
        return v;
    }
};

inline uint32_t Bits(float f)
{
    uint32_t b;
    memcpy(&b, &f, 4);
    return b;
}

}  // namespace mixer_test
