// Times MixVoices with all 64 mixed voices busy: looping samples (forward and ping-pong) of a
// few thousand frames, steps from a quarter to three frames, and every few blocks a quarter
// of the voices given new volumes, so ramps run alongside steady voices, as in a song.
// Usage: bench_mixer [blocks]   (default 20000 blocks of 884 frames).
// Prints nanoseconds per voice-frame, counted in this thread's CPU time.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "player/mixer.h"
#include "player/sample_data.h"

namespace {

constexpr int32_t BLOCK_FRAMES = 884;

double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

uint32_t state = 2463534242u;
uint32_t Next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

Sample MakeSample(uint32_t length, uint8_t loop_type)
{
    Sample s{};
    s.length = length;
    s.loop_type = loop_type;
    s.loop_start = length / 4;
    s.loop_length = length - length / 4;
    s.bits = 16;
    s.data = AllocateSampleData(length);
    for (uint32_t k = 0; k < length; k++) {
        s.data[k] = int16_t(12000.0 * std::sin(double(k) * 0.05) + double(Next() % 2000) - 1000);
    }
    uint32_t guard = s.loop_start + s.loop_length;
    s.data[guard] = loop_type == LOOP_FORWARD ? s.data[s.loop_start] : s.data[guard - 1];
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    int blocks = argc > 1 ? atoi(argv[1]) : 20000;
    std::vector<Sample> samples;
    for (int i = 0; i < 16; i++) {
        samples.push_back(MakeSample(2000 + Next() % 20000, i % 3 ? LOOP_FORWARD : LOOP_PING_PONG));
    }
    for (int32_t slot = 0; slot < MIXED_VOICES; slot++) {
        Voice& v = voices[slot];
        v.index = slot;
        v.sample = &samples[size_t(slot) % samples.size()];
        v.direction = 1;
        uint64_t step = (uint64_t(1) << 30) + uint64_t(Next()) * 2;  // 0.25 .. 2.25 frames
        if (slot % 8 == 0) step += uint64_t(1) << 32;
        v.step = int32_t(step >> 32);
        v.step_frac = uint32_t(step);
        v.left_volume = int32_t(Next() % 128);
        v.right_volume = int32_t(Next() % 128);
    }
    std::vector<float> out(2 * BLOCK_FRAMES);
    double mixing = 0.0;
    for (int b = 0; b < blocks; b++) {
        if (b % 4 == 0) {
            for (int32_t slot = b % 16; slot < MIXED_VOICES; slot += 4) {
                voices[slot].left_volume = int32_t(Next() % 128);
                voices[slot].right_volume = int32_t(Next() % 128);
            }
        }
        memset(out.data(), 0, out.size() * sizeof(float));
        double start = CpuSeconds();
        MixVoices(out.data(), BLOCK_FRAMES);
        mixing += CpuSeconds() - start;
    }
    double voice_frames = double(blocks) * BLOCK_FRAMES * MIXED_VOICES;
    printf("MixVoices: %.3f ns per voice-frame (%d blocks of %d frames, %d voices, %.2f s)\n",
           mixing * 1e9 / voice_frames, blocks, BLOCK_FRAMES, MIXED_VOICES, mixing);
    for (Sample& s : samples) FreeSampleData(s.data);
    return 0;
}
