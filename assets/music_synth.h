// The module's six instruments, synthesised: kick, snare, hi-hat, bass, lead and chord voice.
// Everything is computed from sines and a seeded noise generator, so the output is the same
// on every run. Tonal samples are built on a tuned cycle (music_tuning.h) of a fractional
// number of frames; their forward loops hold whole cycles and so repeat seamlessly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "music_tuning.h"

namespace music {

constexpr double PI = 3.14159265358979323846;
// Playback rate of a sample at cell note C-4 when its relative note is 0.
constexpr double BASE_RATE = 8363.0;

inline double RateForRelativeNote(int relative_note)
{
    return BASE_RATE * std::pow(2.0, relative_note / 12.0);
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

// A sample whose sound changes over its first `settle_frames` frames and then holds, looped
// over its last loop: whole loops long enough for the change, then two more, so that the
// frames before the loop repeat it exactly.
inline std::vector<double> SettlingSample(const TunedCycle& tuned, int settle_frames,
                                          int* settled_from)
{
    const int loops = (settle_frames + tuned.loop_frames - 1) / tuned.loop_frames + 2;
    *settled_from = tuned.loop_frames * (loops - 2);
    return std::vector<double>(static_cast<size_t>(tuned.loop_frames) * loops);
}

// Bass: a saw whose brightness closes from about 28 harmonics to 9 over its first 16 cycles
// (a filter sweep) and then stays, softly saturated so it stays present on small speakers.
inline std::vector<int8_t> SynthBass(const TunedCycle& tuned)
{
    const double cycle_frames = CycleFrames(tuned);
    int settled_from = 0;
    std::vector<double> signal =
        SettlingSample(tuned, static_cast<int>(16 * cycle_frames), &settled_from);
    const int harmonics = HarmonicsBelowNyquist(tuned, 40);
    for (size_t i = 0; i < signal.size(); ++i) {
        const double cycles_in = std::min<double>(i, settled_from) / cycle_frames;
        const double cutoff = 9.0 + 19.0 * std::exp(-cycles_in / 4.0);
        const double x = CyclePosition(tuned, static_cast<long>(i));
        const double value = Harmonics(x, harmonics, [&](int h) {
            const double boost = h == 1 ? 1.2 : h == 2 ? 1.3 : 1.0;
            return boost / h / std::sqrt(1.0 + std::pow(h / cutoff, 4.0));
        });
        signal[i] = std::tanh(1.5 * value);
    }
    return Quantise(signal, 124.0, 0);
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
    const int harmonics = HarmonicsBelowNyquist(loop, 28);
    const double phase_offset[3] = {0.0, 0.37, 0.71};
    for (int i = 0; i < length; ++i) {
        double value = 0.0;
        for (int v = 0; v < 3; ++v) {
            const long n = static_cast<long>(i) % loop.loop_frames;
            const double x =
                static_cast<double>((n * cycles[v]) % loop.loop_frames) / loop.loop_frames +
                phase_offset[v];
            value +=
                level[v] * Harmonics(x, harmonics, [](int h) { return 1.0 / std::pow(h, 0.85); });
        }
        signal[i] = std::tanh(0.6 * value);
    }
    return Quantise(signal, 122.0, 0);
}

// Chord voice: a bright pluck whose upper harmonics die away quickly and settle, within a
// fifth of a second, to a clear, slightly hollow timbre.
inline std::vector<int8_t> SynthChord(const TunedCycle& tuned, double rate)
{
    int settled_from = 0;
    std::vector<double> signal = SettlingSample(tuned, static_cast<int>(0.2 * rate), &settled_from);
    const int harmonics = HarmonicsBelowNyquist(tuned, 28);
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = std::min<double>(i, settled_from) / rate;
        const double x = CyclePosition(tuned, static_cast<long>(i));
        signal[i] = Harmonics(x, harmonics, [&](int h) {
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
