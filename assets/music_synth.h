// The module's six instruments, synthesised: kick, snare, hi-hat, bass, lead and chord voice.
// Everything is computed from sines and a seeded noise generator, so the output is the same
// on every run.
//
// Tonal samples are tuned to A4 = 440 Hz through the player's own pitch rule: the module
// uses the Amiga frequency table, where a note plays at 14317056 / period Hz with whole
// periods, so a cycle of a whole number of frames is rarely in tune. Each tonal sample is
// therefore built on a cycle of `loop_frames / cycles` frames (a fraction), chosen so that
// the cell note A-4 plays at 440 Hz; its forward loop holds exactly `cycles` cycles in
// `loop_frames` frames and so repeats seamlessly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace music {

constexpr double PI = 3.14159265358979323846;
// Playback rate of a sample at cell note C-4 when its relative note is 0.
constexpr double BASE_RATE = 8363.0;
constexpr double A4_HZ = 440.0;
constexpr int A4_NOTE_INDEX = 57;  // cell note A-4 minus 1

inline double RateForRelativeNote(int relative_note)
{
    return BASE_RATE * std::pow(2.0, relative_note / 12.0);
}

// The player's Amiga-mode period of note index n with finetune 0, and the rate it plays at.
inline int32_t AmigaPeriodOf(int n)
{
    const double twelfth = static_cast<double>(1.0f / 12.0f);
    return static_cast<int32_t>(std::pow(2.0, (132 - n) * twelfth) * 13.375);
}
inline int32_t PlayedRate(int note_index, int relative_note)
{
    return 14317056 / AmigaPeriodOf(note_index + relative_note);
}

// A tuned cycle: `cycles` whole cycles in `loop_frames` frames.
struct TunedCycle {
    int loop_frames = 0;
    int cycles = 0;
};

// The loop closest to a cycle that plays A-4 at 440 Hz with this relative note, among loops of
// at most `max_cycles` cycles.
inline TunedCycle TuneCycle(int relative_note, int max_cycles)
{
    const double ideal = PlayedRate(A4_NOTE_INDEX, relative_note) / A4_HZ;  // frames per cycle
    TunedCycle best;
    double best_error = 1e9;
    for (int cycles = 1; cycles <= max_cycles; ++cycles) {
        const int frames = static_cast<int>(std::lround(ideal * cycles));
        const double error = std::fabs(std::log2(frames / (ideal * cycles)));
        if (error < best_error - 1e-12) {
            best_error = error;
            best = TunedCycle{frames, cycles};
        }
    }
    return best;
}

// Where frame i lies within its cycle, 0..1, computed exactly from whole numbers so that every
// loop repeats to the bit.
inline double CyclePosition(const TunedCycle& tuned, long i)
{
    return static_cast<double>((i * tuned.cycles) % tuned.loop_frames) / tuned.loop_frames;
}

// xorshift32 with a fixed seed per sample: reproducible noise.
struct Noise {
    uint32_t state;
};
inline double NextNoise(Noise& noise)
{
    uint32_t x = noise.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    noise.state = x;
    return static_cast<double>(x) / 2147483648.0 - 1.0;  // -1..1
}

// One-pole low-pass and high-pass filters with the cut-off given in hertz.
struct OnePole {
    double coefficient = 0.0;
    double state = 0.0;
};
inline OnePole MakeOnePole(double cutoff, double rate)
{
    OnePole filter;
    filter.coefficient = 1.0 - std::exp(-2.0 * PI * cutoff / rate);
    return filter;
}
inline double LowPass(OnePole& filter, double input)
{
    filter.state += filter.coefficient * (input - filter.state);
    return filter.state;
}
inline double HighPass(OnePole& filter, double input) { return input - LowPass(filter, input); }

// Scales to the given peak (out of 127), rounds to 8 bits. A short fade over the last
// frames of a sample that ends without a loop keeps its end from clicking.
inline std::vector<int8_t> Quantise(std::vector<double> signal, double peak, int fade_frames)
{
    const int count = static_cast<int>(signal.size());
    for (int i = 0; i < fade_frames && i < count; ++i) {
        signal[count - 1 - i] *= static_cast<double>(i) / fade_frames;
    }
    double largest = 1e-9;
    for (double value : signal) largest = std::max(largest, std::fabs(value));
    std::vector<int8_t> frames(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        const double scaled = std::round(signal[i] * peak / largest);
        frames[i] = static_cast<int8_t>(std::clamp(scaled, -127.0, 127.0));
    }
    return frames;
}

// Kick: a short, tight thump: a sine falling fast from about 420 Hz to 64 Hz (above the
// lowest bass, so it does not boom), softly saturated, with a bright click on top.
inline std::vector<int8_t> SynthKick(double rate, int length)
{
    std::vector<double> signal(length);
    Noise noise{0x1234567u};
    OnePole click_filter = MakeOnePole(1500.0, rate);
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        const double t = i / rate;
        const double frequency = 64.0 + 110.0 * std::exp(-t / 0.022) + 250.0 * std::exp(-t / 0.004);
        phase += 2.0 * PI * frequency / rate;
        const double amplitude = (1.0 - std::exp(-t / 0.0006)) * std::exp(-t / 0.075);
        const double body = std::tanh(2.4 * std::sin(phase)) * amplitude;
        const double click = HighPass(click_filter, NextNoise(noise)) * std::exp(-t / 0.0015) * 0.7;
        signal[i] = body + click;
    }
    return Quantise(signal, 124.0, length / 8);
}

// Snare: two damped tones for the drum head and bright noise for the wires, which ring a
// little longer than the head.
inline std::vector<int8_t> SynthSnare(double rate, int length)
{
    std::vector<double> signal(length);
    Noise noise{0x9E3779B9u};
    OnePole wire_low = MakeOnePole(11000.0, rate);
    OnePole wire_high = MakeOnePole(1400.0, rate);
    for (int i = 0; i < length; ++i) {
        const double t = i / rate;
        const double head = 0.6 * std::sin(2.0 * PI * 196.0 * t) * std::exp(-t / 0.035) +
                            0.3 * std::sin(2.0 * PI * 343.0 * t) * std::exp(-t / 0.022);
        const double wires = HighPass(wire_high, LowPass(wire_low, NextNoise(noise)));
        const double attack = 1.0 - std::exp(-t / 0.0004);
        signal[i] = std::tanh(1.6 * (head + 1.3 * wires * std::exp(-t / 0.06))) * attack;
    }
    return Quantise(signal, 122.0, length / 6);
}

// Hi-hat: six detuned square waves (a metallic cluster) plus noise, high-passed twice, with a
// fast decay and a quieter tail, so a note cut gives a closed hat and the whole sample an
// open one.
inline std::vector<int8_t> SynthHat(double rate, int length)
{
    static const double metal[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::vector<double> signal(length);
    Noise noise{0xC0FFEE11u};
    OnePole high_a = MakeOnePole(7000.0, rate);
    OnePole high_b = MakeOnePole(7000.0, rate);
    for (int i = 0; i < length; ++i) {
        const double t = i / rate;
        double cluster = 0.0;
        for (double frequency : metal)
            cluster += std::sin(2.0 * PI * frequency * 1.7 * t) >= 0.0 ? 1.0 : -1.0;
        const double raw = 0.1 * cluster + NextNoise(noise);
        const double bright = HighPass(high_b, HighPass(high_a, raw));
        const double envelope = std::exp(-t / 0.02) + 0.3 * std::exp(-t / 0.09);
        signal[i] = bright * envelope * (1.0 - std::exp(-t / 0.0002));
    }
    return Quantise(signal, 120.0, length / 6);
}

// A band-limited saw-like tone at cycle position `x` (0..1): harmonics 1..count, each
// weighted by the given function of its number.
template <typename Weight>
double Harmonics(double x, int count, Weight weight)
{
    double value = 0.0;
    for (int h = 1; h <= count; ++h) value += weight(h) * std::sin(2.0 * PI * h * x);
    return value;
}

// Bass: a saw whose brightness closes from about 28 harmonics to 9 over the first cycles (a
// filter sweep) and then stays, softly saturated so it stays present on small speakers; the
// settled sound is looped over `tuned`, preceded by one identical loop's worth of frames.
inline std::vector<int8_t> SynthBass(const TunedCycle& tuned, int attack_loops)
{
    const int settled_from = tuned.loop_frames * attack_loops;
    std::vector<double> signal(static_cast<size_t>(tuned.loop_frames) * (attack_loops + 2));
    const double cycle_frames = static_cast<double>(tuned.loop_frames) / tuned.cycles;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double cycles_in = std::min<double>(i, settled_from) / cycle_frames;
        const double cutoff = 9.0 + 19.0 * std::exp(-cycles_in / 4.0);
        const double x = CyclePosition(tuned, static_cast<long>(i));
        const double value = Harmonics(x, 40, [&](int h) {
            const double boost = h == 1 ? 1.2 : h == 2 ? 1.3 : 1.0;
            return boost / h / std::sqrt(1.0 + std::pow(h / cutoff, 4.0));
        });
        signal[i] = std::tanh(1.5 * value);
    }
    return Quantise(signal, 124.0, 0);
}

// The player's auto-vibrato adds its offset to the period rounded down, so on average it
// shortens the period by half a unit: an instrument with auto-vibrato sounds that much sharp
// unless its cycle is tuned for the shorter period.
constexpr double AUTO_VIBRATO_PERIOD_SHIFT = -0.5;

// The lead's loop: the longest loop of at most `max_frames` frames (and at least 3/4 of that)
// whose whole number of cycles plays A-4 closest to 440 Hz, heard with its auto-vibrato.
inline TunedCycle TuneLongLoop(int relative_note, int max_frames)
{
    const double period = AmigaPeriodOf(A4_NOTE_INDEX + relative_note) + AUTO_VIBRATO_PERIOD_SHIFT;
    const double ideal = 14317056.0 / period / A4_HZ;
    TunedCycle best;
    double best_error = 1e9;
    for (int frames = max_frames; frames >= max_frames * 3 / 4; --frames) {
        const int cycles = static_cast<int>(std::lround(frames / ideal));
        const double error = std::fabs(std::log2(frames / (ideal * cycles)));
        if (error < best_error - 1e-12) {
            best_error = error;
            best = TunedCycle{frames, cycles};
        }
    }
    return best;
}

// Lead: three band-limited saws, the outer two one cycle per loop below and above the middle
// one and quieter (a gentle chorus of about ten cents that beats once per loop), softly
// saturated. Every voice completes whole cycles in the loop, so the forward loop is seamless
// and the middle voice sets the pitch. The signal repeats every loop, wherever the loop is placed.
inline std::vector<int8_t> SynthLead(const TunedCycle& loop, int length)
{
    std::vector<double> signal(length);
    const int cycles[3] = {loop.cycles - 1, loop.cycles, loop.cycles + 1};
    const double level[3] = {0.45, 1.0, 0.45};
    const double phase_offset[3] = {0.0, 0.37, 0.71};
    for (int i = 0; i < length; ++i) {
        double value = 0.0;
        for (int v = 0; v < 3; ++v) {
            const long n = static_cast<long>(i) % loop.loop_frames;
            const double x =
                static_cast<double>((n * cycles[v]) % loop.loop_frames) / loop.loop_frames +
                phase_offset[v];
            value += level[v] * Harmonics(x, 28, [](int h) {
                         return 1.0 / (h * (1.0 + (h / 20.0) * (h / 20.0)));
                     });
        }
        signal[i] = std::tanh(0.6 * value);
    }
    return Quantise(signal, 122.0, 0);
}

// Chord voice: a bright pluck whose upper harmonics die away quickly and settle to a clear,
// slightly hollow timbre; the settled sound loops over `tuned`, preceded by one identical
// loop's worth of frames.
inline std::vector<int8_t> SynthChord(const TunedCycle& tuned, int attack_loops, double rate)
{
    const int settled_from = tuned.loop_frames * attack_loops;
    std::vector<double> signal(static_cast<size_t>(tuned.loop_frames) * (attack_loops + 2));
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = std::min<double>(i, settled_from) / rate;
        const double x = CyclePosition(tuned, static_cast<long>(i));
        signal[i] = Harmonics(x, 28, [&](int h) {
            const double start = 1.0 / std::pow(h, 0.7);
            const double settled = h == 1         ? 0.9
                                   : h == 2       ? 0.45
                                   : h == 3       ? 0.4
                                   : h == 4       ? 0.2
                                   : (h % 2 == 1) ? 0.6 / h
                                                  : 0.3 / h;
            const double decay = 0.25 / std::pow(h, 0.6);
            return start * (settled + (1.0 - settled) * std::exp(-t / decay));
        });
        signal[i] = std::tanh(0.5 * signal[i]);
    }
    return Quantise(signal, 122.0, 0);
}

}  // namespace music
