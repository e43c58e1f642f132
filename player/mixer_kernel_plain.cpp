// The mixer's inner loops in portable C++: the reference every other set must match bit for
// bit, and the tail loop of the others.
#include <cmath>
#include <cstring>

#include "player/mixer_kernels.h"

namespace {

const double WEIGHT_UNIT = 1.0 / 2147483648.0;

// Linear interpolation at the 32.32 position p, with the upper 31 bits of the fraction as
// the weight. Every step is exact but the last addition.
inline double Interpolate(const int16_t* data, uint64_t p)
{
    int32_t i = static_cast<int32_t>(static_cast<uint32_t>(p >> 32));
    double w = static_cast<double>(static_cast<uint32_t>(p) >> 1) * WEIGHT_UNIT;
    double a = data[i];
    double b = data[i + 1];
    return a + w * (b - a);
}

inline void Accumulate(float* out, double x, double left_gain, double right_gain)
{
    out[0] = static_cast<float>(static_cast<double>(out[0]) + x * left_gain);
    out[1] = static_cast<float>(static_cast<double>(out[1]) + x * right_gain);
}

}  // namespace

// Two frames per pass.
uint64_t MixSteadyPlain(float* out, int32_t frames, const int16_t* data, uint64_t position,
                        uint64_t step, float left_gain, float right_gain)
{
    const double l = left_gain;
    const double r = right_gain;
    uint64_t p = position;
    for (int32_t pairs = frames >> 1; pairs > 0; pairs--) {
        double x0 = Interpolate(data, p);
        p += step;
        double x1 = Interpolate(data, p);
        p += step;
        Accumulate(out, x0, l, r);
        Accumulate(out + 2, x1, l, r);
        out += 4;
    }
    if (frames & 1) {
        Accumulate(out, Interpolate(data, p), l, r);
        p += step;
    }
    return p;
}

uint64_t MixGainsPlain(float* out, int32_t frames, const int16_t* data, uint64_t position,
                       uint64_t step, const float* gains)
{
    uint64_t p = position;
    for (int32_t k = 0; k < frames; k++) {
        Accumulate(out + 2 * k, Interpolate(data, p), gains[2 * k], gains[2 * k + 1]);
        p += step;
    }
    return p;
}

void ConvertPlain(int16_t* dst, const float* src, int64_t values)
{
    for (int64_t k = 0; k < values; k++) {
        // nearbyint rounds ties to even under the default rounding mode.
        float rounded = std::nearbyint(src[k]);
        int16_t value;
        if (rounded >= 32767.0f) {
            value = 32767;
        } else if (rounded > -32768.0f) {
            value = static_cast<int16_t>(rounded);
        } else {
            value = -32768;  // also NaN
        }
        dst[k] = value;
    }
}

const MixerKernels PLAIN_KERNELS = {MixSteadyPlain, MixGainsPlain, ConvertPlain};
