// The module's six instruments, synthesised: kick, snare, hi-hat, bass, lead and chord voice.
// Everything is computed from sines and a seeded noise generator, so the output is the same
// on every run. Tonal samples hold whole cycles of a fixed length, so the loops are seamless
// and the pitch follows from the cycle length and the sample's relative note.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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

// Kick: a sine falling from about 470 Hz to 48 Hz, softly saturated, with a short noise click.
inline std::vector<int8_t> SynthKick(double rate, int length)
{
    std::vector<double> signal(length);
    Noise noise{0x1234567u};
    OnePole click_filter = MakeOnePole(3000.0, rate);
    double phase = 0.0;
    for (int i = 0; i < length; ++i) {
        const double t = i / rate;
        const double frequency = 48.0 + 120.0 * std::exp(-t / 0.03) + 300.0 * std::exp(-t / 0.004);
        phase += 2.0 * PI * frequency / rate;
        const double amplitude = (1.0 - std::exp(-t / 0.0008)) * std::exp(-t / 0.16);
        const double body = std::tanh(1.8 * std::sin(phase)) * amplitude;
        const double click = LowPass(click_filter, NextNoise(noise)) * std::exp(-t / 0.002) * 0.6;
        signal[i] = body + click;
    }
    return Quantise(signal, 124.0, length / 10);
}

// Snare: two damped tones for the drum head, band-passed noise for the wires.
inline std::vector<int8_t> SynthSnare(double rate, int length)
{
    std::vector<double> signal(length);
    Noise noise{0x9E3779B9u};
    OnePole wire_low = MakeOnePole(7000.0, rate);
    OnePole wire_high = MakeOnePole(900.0, rate);
    for (int i = 0; i < length; ++i) {
        const double t = i / rate;
        const double head = 0.55 * std::sin(2.0 * PI * 185.0 * t) * std::exp(-t / 0.045) +
                            0.30 * std::sin(2.0 * PI * 330.0 * t) * std::exp(-t / 0.03);
        const double wires = HighPass(wire_high, LowPass(wire_low, NextNoise(noise)));
        const double attack = 1.0 - std::exp(-t / 0.0005);
        signal[i] = std::tanh(1.4 * (head + 1.1 * wires * std::exp(-t / 0.065))) * attack;
    }
    return Quantise(signal, 120.0, length / 8);
}

// Hi-hat: six detuned square waves (a metallic cluster) plus noise, high-passed twice, with a
// fast decay and a quieter tail, so a note cut gives a closed hat and the whole sample an
// open one.
inline std::vector<int8_t> SynthHat(double rate, int length)
{
    static const double metal[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::vector<double> signal(length);
    Noise noise{0xC0FFEE11u};
    OnePole high_a = MakeOnePole(6500.0, rate);
    OnePole high_b = MakeOnePole(6500.0, rate);
    for (int i = 0; i < length; ++i) {
        const double t = i / rate;
        double cluster = 0.0;
        for (double frequency : metal)
            cluster += std::sin(2.0 * PI * frequency * 1.7 * t) >= 0.0 ? 1.0 : -1.0;
        const double raw = 0.08 * cluster + NextNoise(noise);
        const double bright = HighPass(high_b, HighPass(high_a, raw));
        const double envelope = std::exp(-t / 0.016) + 0.22 * std::exp(-t / 0.07);
        signal[i] = bright * envelope * (1.0 - std::exp(-t / 0.0003));
    }
    return Quantise(signal, 118.0, length / 6);
}

// Bass: a band-limited saw of `cycle` frames whose brightness closes from about 25 harmonics
// to 5 over the first cycles (a filter sweep), then stays, so the last cycle loops.
inline std::vector<int8_t> SynthBass(int cycle, int cycles, int frozen_from_cycle)
{
    std::vector<double> signal(static_cast<size_t>(cycle) * cycles);
    const int harmonics = 40;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double time_in_cycles =
            std::min(static_cast<double>(i) / cycle, static_cast<double>(frozen_from_cycle));
        const double cutoff = 5.0 + 20.0 * std::exp(-time_in_cycles / 3.0);
        double value = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            const double weight = 1.0 / std::sqrt(1.0 + std::pow(h / cutoff, 4.0));
            const double boost = h == 1 ? 1.5 : 1.0;
            value += boost * weight / h *
                     std::sin(2.0 * PI * h * static_cast<double>(i % cycle) / cycle);
        }
        signal[i] = value;
    }
    return Quantise(signal, 120.0, 0);
}

// Lead: three saws at -8, 0 and +8 cents over a base cycle of `cycle` frames, band-limited,
// so the sound slowly beats; played with a ping-pong loop, the beating swings back and forth.
inline std::vector<int8_t> SynthLead(int cycle, int length)
{
    std::vector<double> signal(length);
    const double detune[3] = {std::pow(2.0, -8.0 / 1200.0), 1.0, std::pow(2.0, 8.0 / 1200.0)};
    const double level[3] = {1.0, 0.7, 1.0};
    const double phase_offset[3] = {0.0, 0.37, 0.71};
    const int harmonics = 18;
    for (int i = 0; i < length; ++i) {
        double value = 0.0;
        for (int v = 0; v < 3; ++v) {
            const double cycles = static_cast<double>(i) * detune[v] / cycle + phase_offset[v];
            for (int h = 1; h <= harmonics; ++h) {
                const double weight = 1.0 / (1.0 + (h / 9.0) * (h / 9.0));
                value += level[v] * weight / h * std::sin(2.0 * PI * h * cycles);
            }
        }
        signal[i] = value;
    }
    return Quantise(signal, 118.0, 0);
}

// Chord voice: a plucked tone whose upper harmonics die away quickly and whose lower ones
// settle to a soft, slightly hollow timbre; the settled last cycle loops.
inline std::vector<int8_t> SynthChord(int cycle, int cycles, int frozen_from_cycle, double rate)
{
    std::vector<double> signal(static_cast<size_t>(cycle) * cycles);
    const int harmonics = 14;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double frozen_time = static_cast<double>(frozen_from_cycle) * cycle / rate;
        const double t = std::min(static_cast<double>(i) / rate, frozen_time);
        double value = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            const double start = 1.0 / std::pow(h, 0.8);
            const double settled = h == 1   ? 0.85
                                   : h == 2 ? 0.3
                                   : h == 3 ? 0.28
                                   : h == 5 ? 0.1
                                            : 0.02;
            const double decay = 0.20 / std::pow(h, 0.7);
            const double amplitude = start * (settled + (1.0 - settled) * std::exp(-t / decay));
            value += amplitude * std::sin(2.0 * PI * h * static_cast<double>(i % cycle) / cycle);
        }
        signal[i] = value;
    }
    return Quantise(signal, 118.0, 0);
}

}  // namespace music
