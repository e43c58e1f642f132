// The mixer's inner loops with AVX2, four frames at a time. Bit for bit the plain loops: the same
// IEEE operations per output value, only side by side, and no fused multiply-add (this file is
// compiled for AVX2 without FMA).
//
// Compiled with -mavx2 and called only when the processor has AVX2. It includes no header
// with inline functions of external linkage, so nothing compiled here for AVX2 can stand in
// for code of another file.
#include "player/mixer_kernels.h"

#ifdef MIXER_X86_KERNELS

#include <immintrin.h>

namespace {

// Frames i and i + 1, i the integer part of the 32.32 position p (signed), as the low and
// high halves of one 32-bit value.
inline int32_t FramePair(const int16_t* data, uint64_t p)
{
    int32_t pair;
    __builtin_memcpy(&pair, data + static_cast<int32_t>(static_cast<uint32_t>(p >> 32)), 4);
    return pair;
}

// The interpolated values of four consecutive frames from position p, in double, in the
// lane order frame 0, 2, 1, 3 (which Accumulate4 spreads with shuffles inside 128-bit
// halves). `fractions` holds the four positions' fractions in that order: the fraction of a
// position moves on by the step's fraction, modulo 2^32, whatever its integer part does.
inline __m256d Interpolate4(const int16_t* data, uint64_t p, uint64_t step, __m128i fractions)
{
    // Four loads beat a gather, which is slow on some processors.
    __m128i pairs = _mm_setr_epi32(FramePair(data, p), FramePair(data, p + 2 * step),
                                   FramePair(data, p + step), FramePair(data, p + 3 * step));
    __m128i first = _mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16);
    __m128i second = _mm_srai_epi32(pairs, 16);
    // The weight: the upper 31 bits of the fraction times 2^-31, exact.
    __m256d weight = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srli_epi32(fractions, 1)),
                                   _mm256_set1_pd(1.0 / 2147483648.0));
    // The difference of two 16-bit frames is exact in 32 bits as in double.
    __m256d difference = _mm256_cvtepi32_pd(_mm_sub_epi32(second, first));
    return _mm256_add_pd(_mm256_cvtepi32_pd(first), _mm256_mul_pd(weight, difference));
}

// Adds x0..x3 (in lanes 0, 2, 1, 3) times their gains into four stereo frames; gains01 holds
// the left and right gains of frames 0 and 1, gains23 those of frames 2 and 3.
inline void Accumulate4(float* out, __m256d x, __m256d gains01, __m256d gains23)
{
    __m256d sums01 = _mm256_cvtps_pd(_mm_loadu_ps(out));
    __m256d sums23 = _mm256_cvtps_pd(_mm_loadu_ps(out + 4));
    __m256d x01 = _mm256_unpacklo_pd(x, x);  // x0 x0 x1 x1
    __m256d x23 = _mm256_unpackhi_pd(x, x);  // x2 x2 x3 x3
    sums01 = _mm256_add_pd(sums01, _mm256_mul_pd(x01, gains01));
    sums23 = _mm256_add_pd(sums23, _mm256_mul_pd(x23, gains23));
    _mm_storeu_ps(out, _mm256_cvtpd_ps(sums01));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(sums23));
}

// Constant gains.
struct SteadyGains {
    __m256d gains;
    __m256d Frames01(int32_t) const { return gains; }
    __m256d Frames23(int32_t) const { return gains; }
};

// Gains that change every frame, two floats per frame.
struct RampGains {
    const float* gains;
    __m256d Frames01(int32_t frame) const
    {
        return _mm256_cvtps_pd(_mm_loadu_ps(gains + 2 * frame));
    }
    __m256d Frames23(int32_t frame) const
    {
        return _mm256_cvtps_pd(_mm_loadu_ps(gains + 2 * frame + 4));
    }
};

// Whole groups of four frames; returns how many frames were mixed.
template <typename Gains>
int32_t MixFours(float* out, int32_t frames, const int16_t* data, uint64_t position, uint64_t step,
                 const Gains& gains)
{
    const uint32_t f = static_cast<uint32_t>(position);
    const uint32_t s = static_cast<uint32_t>(step);
    __m128i fractions =
        _mm_setr_epi32(static_cast<int32_t>(f), static_cast<int32_t>(f + 2 * s),
                       static_cast<int32_t>(f + s), static_cast<int32_t>(f + 3 * s));
    const __m128i advance = _mm_set1_epi32(static_cast<int32_t>(4 * s));
    uint64_t p = position;
    int32_t k = 0;
    for (; k + 4 <= frames; k += 4) {
        Accumulate4(out + 2 * k, Interpolate4(data, p, step, fractions), gains.Frames01(k),
                    gains.Frames23(k));
        fractions = _mm_add_epi32(fractions, advance);
        p += 4 * step;
    }
    return k;
}

uint64_t MixSteadyAvx2(float* out, int32_t frames, const int16_t* data, uint64_t position,
                       uint64_t step, float left_gain, float right_gain)
{
    const __m256d both = _mm256_setr_pd(left_gain, right_gain, left_gain, right_gain);
    int32_t k = MixFours(out, frames, data, position, step, SteadyGains{both});
    return MixSteadyPlain(out + 2 * k, frames - k, data, position + static_cast<uint64_t>(k) * step,
                          step, left_gain, right_gain);
}

uint64_t MixGainsAvx2(float* out, int32_t frames, const int16_t* data, uint64_t position,
                      uint64_t step, const float* gains)
{
    int32_t k = MixFours(out, frames, data, position, step, RampGains{gains});
    return MixGainsPlain(out + 2 * k, frames - k, data, position + static_cast<uint64_t>(k) * step,
                         step, gains + 2 * k);
}

}  // namespace

// The conversion is a small share of the work: the SSE2 one serves.
const MixerKernels AVX2_KERNELS = {MixSteadyAvx2, MixGainsAvx2, ConvertSse2};

#endif
