// Times MixVoices on each kernel set the processor runs, with all 64 mixed voices busy on
// looping samples (forward and ping-pong) at steps from a quarter to three frames:
// - audible: loops of a few thousand frames; every few blocks a quarter of the voices get
//   new volumes, so ramps run alongside steady voices, as in a song;
// - short loops: the same on loops of 16 to 64 frames, as chip sounds use, where a voice
//   meets its loop point every few dozen frames;
// - ramping: every frame of every voice inside a volume ramp (the ramp made longer than the
//   run);
// - silent: every voice at volume 0 after its ramp down, as voices handed to their partner
//   play on, on long and on short loops; skipped (as played), and mixed at gain 0.
// Usage: bench_mixer [blocks [path]]   (default 20000 blocks of 884 frames, every path).
// Prints nanoseconds per voice-frame, counted in this thread's CPU time.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "player/mixer.h"
#include "player/sample_data.h"
#include "player/mixer_path.h"

namespace {

constexpr int32_t BLOCK_FRAMES = 884;

double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Random {
    uint32_t state = 2463534242u;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

Sample MakeSample(Random& random, uint32_t length, uint32_t loop_length, uint8_t loop_type)
{
    Sample s{};
    s.length = length;
    s.loop_type = loop_type;
    s.loop_start = length - loop_length;
    s.loop_length = loop_length;
    s.bits = 16;
    s.data = AllocateSampleData(length);
    for (uint32_t k = 0; k < length; k++) {
        s.data[k] = static_cast<int16_t>(12000.0 * std::sin(static_cast<double>(k) * 0.05) +
                                         static_cast<double>(random.Next() % 2000) - 1000);
    }
    uint32_t guard = s.loop_start + s.loop_length;
    s.data[guard] = loop_type == LOOP_FORWARD ? s.data[s.loop_start] : s.data[guard - 1];
    return s;
}

enum class Load { AUDIBLE, RAMPING, SILENT };

// The same 64 voices for every run: positions, steps and volumes from a fixed seed.
void StartVoices(std::vector<Sample>& samples, Random& random, Load load)
{
    std::memset(voices, 0, sizeof(voices));
    for (int32_t slot = 0; slot < MIXED_VOICES; slot++) {
        Voice& v = voices[slot];
        v.index = slot;
        v.sample = &samples[static_cast<size_t>(slot) % samples.size()];
        v.direction = 1;
        uint64_t step = (uint64_t(1) << 30) + uint64_t(random.Next()) * 2;  // 0.25 .. 2.25
        if (slot % 8 == 0) step += uint64_t(1) << 32;
        v.step = static_cast<int32_t>(step >> 32);
        v.step_frac = static_cast<uint32_t>(step);
        v.position = static_cast<int32_t>(random.Next() % v.sample->length);
        v.left_volume = static_cast<int32_t>(random.Next() % 128);
        v.right_volume = static_cast<int32_t>(random.Next() % 128);
        if (load == Load::SILENT) {
            // Handed off: the ramp down has ended, the targets are 0.
            v.left_volume = v.right_volume = 0;
        } else {
            v.current_left = v.left_volume * 256;
            v.current_right = v.right_volume * 256;
        }
        v.ramp_left_target = v.left_volume;
        v.ramp_right_target = v.right_volume;
        if (load == Load::RAMPING) v.left_volume ^= 64;
    }
}

// Nanoseconds per voice-frame over `blocks` blocks.
double TimeMixing(std::vector<Sample>& samples, Load load, int blocks)
{
    Random random;
    StartVoices(samples, random, load);
    const int32_t usual_ramp_length = ramp_length;
    const float reciprocal = ramp_reciprocal;
    if (load == Load::RAMPING) {
        ramp_length = 1 << 30;
        ramp_reciprocal = 1.0f / static_cast<float>(ramp_length);
    }
    std::vector<float> out(2 * BLOCK_FRAMES);
    double mixing = 0.0;
    for (int b = 0; b < blocks; b++) {
        if (load == Load::AUDIBLE && b % 4 == 0) {
            for (int32_t slot = b % 16; slot < MIXED_VOICES; slot += 4) {
                voices[slot].left_volume = static_cast<int32_t>(random.Next() % 128);
                voices[slot].right_volume = static_cast<int32_t>(random.Next() % 128);
            }
        }
        std::memset(out.data(), 0, out.size() * sizeof(float));
        double start = CpuSeconds();
        MixVoices(out.data(), BLOCK_FRAMES);
        mixing += CpuSeconds() - start;
    }
    ramp_length = usual_ramp_length;
    ramp_reciprocal = reciprocal;
    return mixing * 1e9 / (static_cast<double>(blocks) * BLOCK_FRAMES * MIXED_VOICES);
}

}  // namespace

int main(int argc, char** argv)
{
    int blocks = argc > 1 ? atoi(argv[1]) : 20000;
    if (blocks < 1) blocks = 1;
    const char* only = argc > 2 ? argv[2] : nullptr;
    Random random;
    std::vector<Sample> long_loops;
    std::vector<Sample> short_loops;
    for (int i = 0; i < 16; i++) {
        uint8_t kind = i % 3 ? LOOP_FORWARD : LOOP_PING_PONG;
        uint32_t length = 2000 + random.Next() % 20000;
        long_loops.push_back(MakeSample(random, length, length - length / 4, kind));
        short_loops.push_back(MakeSample(random, 1000, 16 + random.Next() % 49, kind));
    }
    printf("ns per voice-frame, %d blocks of %d frames, %d voices\n", blocks, BLOCK_FRAMES,
           MIXED_VOICES);
    printf("%-8s %8s %8s %8s %8s %8s %8s\n", "", "audible", "audible", "ramping", "silent",
           "silent", "silent");
    printf("%-8s %8s %8s %8s %8s %8s %8s\n", "path", "", "short", "", "skipped", "skipped",
           "mixed");
    printf("%-8s %8s %8s %8s %8s %8s %8s\n", "", "", "loops", "", "", "short", "");
    const MixerPath best = SelectedMixerPath();
    for (int32_t p = 0; p < MIXER_PATH_COUNT; p++) {
        MixerPath path = static_cast<MixerPath>(p);
        if (only != nullptr && std::strcmp(only, MixerPathName(path)) != 0) continue;
        if (!SelectMixerPath(path)) {
            printf("%-8s (not on this processor)\n", MixerPathName(path));
            continue;
        }
        double audible = TimeMixing(long_loops, Load::AUDIBLE, blocks);
        double audible_short = TimeMixing(short_loops, Load::AUDIBLE, blocks);
        double ramping = TimeMixing(long_loops, Load::RAMPING, blocks);
        double silent = TimeMixing(long_loops, Load::SILENT, blocks);
        double silent_short = TimeMixing(short_loops, Load::SILENT, blocks);
        SetSilentVoiceSkip(false);
        double silent_mixed = TimeMixing(long_loops, Load::SILENT, blocks);
        SetSilentVoiceSkip(true);
        printf("%-8s %8.3f %8.3f %8.3f %8.4f %8.4f %8.3f%s\n", MixerPathName(path), audible,
               audible_short, ramping, silent, silent_short, silent_mixed,
               path == best ? "   (chosen at start)" : "");
    }
    SelectMixerPath(best);
    for (Sample& s : long_loops) FreeSampleData(s.data);
    for (Sample& s : short_loops) FreeSampleData(s.data);
    return 0;
}
