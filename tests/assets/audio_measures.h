// Measures of rendered 16-bit stereo PCM (interleaved left, right at 44100 Hz), as a listener
// or a mastering engineer would take them: level, peak, clipping, stereo width, where the
// energy sits in the spectrum, digital silence, and the pitch of a held note.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace audio_measures {

constexpr double RATE = 44100.0;
constexpr double FULL_SCALE = 32768.0;
constexpr double PI = 3.14159265358979323846;

inline double Decibels(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-12)); }

// RMS of both channels together, in dB below a full-scale square wave.
inline double RmsDbfs(const std::vector<int16_t>& pcm)
{
    double sum = 0.0;
    for (int16_t value : pcm) sum += double(value) * value;
    return Decibels(std::sqrt(sum / std::max<size_t>(pcm.size(), 1)) / FULL_SCALE);
}

inline double PeakDbfs(const std::vector<int16_t>& pcm)
{
    int peak = 0;
    for (int16_t value : pcm) peak = std::max(peak, std::abs(int(value)));
    return Decibels(peak / FULL_SCALE);
}

// Values at either end of the 16-bit range: where the player's conversion clipped.
inline int64_t ClippedSamples(const std::vector<int16_t>& pcm)
{
    int64_t clipped = 0;
    for (int16_t value : pcm) clipped += value >= 32767 || value <= -32767;
    return clipped;
}

// Correlation of the left and right channels over the whole signal (1 = mono).
inline double LeftRightCorrelation(const std::vector<int16_t>& pcm)
{
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const double l = pcm[i], r = pcm[i + 1];
        lr += l * r;
        ll += l * l;
        rr += r * r;
    }
    return ll > 0.0 && rr > 0.0 ? lr / std::sqrt(ll * rr) : 1.0;
}

// Energy of the side signal (L - R) against the mid signal (L + R).
inline double SideToMidEnergy(const std::vector<int16_t>& pcm)
{
    double side = 0.0, mid = 0.0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const double l = pcm[i], r = pcm[i + 1];
        side += (l - r) * (l - r);
        mid += (l + r) * (l + r);
    }
    return mid > 0.0 ? side / mid : 0.0;
}

// In-place radix-2 FFT; the size must be a power of two.
inline void Fft(std::vector<std::complex<double>>& data)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * PI / double(length));
        for (size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> even = data[start + k];
                const std::complex<double> odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                w *= step;
            }
        }
    }
}

// Where the energy lies: shares of the total in three bands and the spectral centroid, from
// Hann-windowed spectra of consecutive 8192-frame windows of both channels.
struct SpectrumShares {
    double low_bass = 0.0;  // 40..60 Hz
    double below_250 = 0.0;
    double above_4k = 0.0;
    double centroid_hz = 0.0;
};

inline SpectrumShares MeasureSpectrum(const std::vector<int16_t>& pcm)
{
    constexpr size_t WINDOW = 8192;
    std::vector<double> hann(WINDOW);
    for (size_t i = 0; i < WINDOW; ++i) hann[i] = 0.5 - 0.5 * std::cos(2.0 * PI * i / WINDOW);
    std::vector<double> power(WINDOW / 2, 0.0);
    std::vector<std::complex<double>> data(WINDOW);
    const size_t frames = pcm.size() / 2;
    for (size_t start = 0; start + WINDOW <= frames; start += WINDOW) {
        for (int side = 0; side < 2; ++side) {
            for (size_t i = 0; i < WINDOW; ++i) data[i] = pcm[2 * (start + i) + side] * hann[i];
            Fft(data);
            for (size_t k = 1; k < WINDOW / 2; ++k) power[k] += std::norm(data[k]);
        }
    }
    SpectrumShares shares;
    double total = 0.0, weighted = 0.0;
    for (size_t k = 1; k < WINDOW / 2; ++k) {
        const double hz = k * RATE / WINDOW;
        total += power[k];
        weighted += power[k] * hz;
        if (hz >= 40.0 && hz < 60.0) shares.low_bass += power[k];
        if (hz < 250.0) shares.below_250 += power[k];
        if (hz >= 4000.0) shares.above_4k += power[k];
    }
    if (total > 0.0) {
        shares.low_bass /= total;
        shares.below_250 /= total;
        shares.above_4k /= total;
        shares.centroid_hz = weighted / total;
    }
    return shares;
}

// The longest run of frames in which both channels are exactly 0.
inline int64_t LongestDigitalSilence(const std::vector<int16_t>& pcm)
{
    int64_t longest = 0, run = 0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        run = pcm[i] == 0 && pcm[i + 1] == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// RMS of both channels in consecutive windows of `window` frames.
inline std::vector<double> WindowRms(const std::vector<int16_t>& pcm, size_t window)
{
    std::vector<double> levels;
    for (size_t start = 0; 2 * (start + window) <= pcm.size(); start += window) {
        double sum = 0.0;
        for (size_t i = 2 * start; i < 2 * (start + window); ++i) sum += double(pcm[i]) * pcm[i];
        levels.push_back(std::sqrt(sum / (2.0 * window)));
    }
    return levels;
}

// The frequency of a held tone near `guess` hertz, in the mono mix of frames
// [first, first + count): the signal is turned down by the guess, summed over short blocks,
// and the phase's drift from block to block (a least-squares line) gives the difference to the
// guess. Exact to a small fraction of a cent over a second or more of a steady tone, vibrato
// included, as long as the tone lies within a few hertz of the guess.
inline double HeldToneFrequency(const std::vector<int16_t>& pcm, size_t first, size_t count,
                                double guess)
{
    constexpr size_t BLOCK = 1024;
    std::vector<double> phases;
    double unwrapped = 0.0, previous = 0.0;
    for (size_t block = 0; (block + 1) * BLOCK <= count; ++block) {
        std::complex<double> sum = 0.0;
        for (size_t i = 0; i < BLOCK; ++i) {
            const size_t n = first + block * BLOCK + i;
            if (2 * n + 1 >= pcm.size()) break;
            const double mono = 0.5 * (pcm[2 * n] + pcm[2 * n + 1]);
            sum += mono * std::polar(1.0, -2.0 * PI * guess * double(n) / RATE);
        }
        const double phase = std::arg(sum);
        if (!phases.empty()) {
            double step = phase - previous;
            while (step > PI) step -= 2.0 * PI;
            while (step < -PI) step += 2.0 * PI;
            unwrapped += step;
        }
        previous = phase;
        phases.push_back(unwrapped);
    }
    const double n = double(phases.size());
    if (n < 2) return 0.0;
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (size_t k = 0; k < phases.size(); ++k) {
        sx += double(k);
        sy += phases[k];
        sxx += double(k) * k;
        sxy += double(k) * phases[k];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);  // radians per block
    return guess + slope * RATE / (2.0 * PI * BLOCK);
}

inline double Cents(double frequency, double reference)
{
    return 1200.0 * std::log2(frequency / reference);
}

}  // namespace audio_measures
