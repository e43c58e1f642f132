// The mixer's inner loops with SSE2, two frames at a time: the baseline of every x86-64
// processor and of the 32-bit Windows build. Bit for bit the plain loops: the same IEEE
// operations per output value, only side by side.
#include "player/mixer_kernels.h"

#ifdef MIXER_X86_KERNELS

#include <emmintrin.h>

#include <cstring>

namespace {

// Frames i and i + 1 as the low and high halves of one 32-bit value.
inline int32_t FramePair(const int16_t* data, int32_t i)
{
    int32_t pair;
    std::memcpy(&pair, data + i, sizeof(pair));
    return pair;
}

// The interpolated values at positions p and p + step, in double.
inline __m128d Interpolate2(const int16_t* data, uint64_t p, uint64_t step)
{
    uint64_t q = p + step;
    int32_t i0 = static_cast<int32_t>(static_cast<uint32_t>(p >> 32));
    int32_t i1 = static_cast<int32_t>(static_cast<uint32_t>(q >> 32));
    __m128i pairs = _mm_unpacklo_epi32(_mm_cvtsi32_si128(FramePair(data, i0)),
                                       _mm_cvtsi32_si128(FramePair(data, i1)));
    __m128i fractions = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(p)),
                                           _mm_cvtsi32_si128(static_cast<int32_t>(q)));
    __m128i first = _mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16);
    __m128i second = _mm_srai_epi32(pairs, 16);
    // The weight: the upper 31 bits of the fraction times 2^-31, exact.
    __m128d weight =
        _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_epi32(fractions, 1)), _mm_set1_pd(1.0 / 2147483648.0));
    // The difference of two 16-bit frames is exact in 32 bits as in double.
    __m128d difference = _mm_cvtepi32_pd(_mm_sub_epi32(second, first));
    return _mm_add_pd(_mm_cvtepi32_pd(first), _mm_mul_pd(weight, difference));
}

// Adds x0 (frame 0) and x1 (frame 1) times their gains into two stereo frames.
inline void Accumulate2(float* out, __m128d x, __m128d gains0, __m128d gains1)
{
    __m128 sums = _mm_loadu_ps(out);
    __m128d sums0 = _mm_cvtps_pd(sums);
    __m128d sums1 = _mm_cvtps_pd(_mm_movehl_ps(sums, sums));
    sums0 = _mm_add_pd(sums0, _mm_mul_pd(_mm_unpacklo_pd(x, x), gains0));
    sums1 = _mm_add_pd(sums1, _mm_mul_pd(_mm_unpackhi_pd(x, x), gains1));
    _mm_storeu_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(sums0), _mm_cvtpd_ps(sums1)));
}

uint64_t MixSteadySse2(float* out, int32_t frames, const int16_t* data, uint64_t position,
                       uint64_t step, float left_gain, float right_gain)
{
    const __m128d gains = _mm_setr_pd(left_gain, right_gain);
    const uint64_t two_steps = 2 * step;
    uint64_t p = position;
    int32_t k = 0;
    for (; k + 2 <= frames; k += 2) {
        Accumulate2(out + 2 * k, Interpolate2(data, p, step), gains, gains);
        p += two_steps;
    }
    return MixSteadyPlain(out + 2 * k, frames - k, data, p, step, left_gain, right_gain);
}

uint64_t MixGainsSse2(float* out, int32_t frames, const int16_t* data, uint64_t position,
                      uint64_t step, const float* gains)
{
    const uint64_t two_steps = 2 * step;
    uint64_t p = position;
    int32_t k = 0;
    for (; k + 2 <= frames; k += 2) {
        __m128 frame_gains = _mm_loadu_ps(gains + 2 * k);
        Accumulate2(out + 2 * k, Interpolate2(data, p, step), _mm_cvtps_pd(frame_gains),
                    _mm_cvtps_pd(_mm_movehl_ps(frame_gains, frame_gains)));
        p += two_steps;
    }
    return MixGainsPlain(out + 2 * k, frames - k, data, p, step, gains + 2 * k);
}

// Rounds four floats to nearest (ties to even, the processor's default mode) and clips them
// to 16 bits. Values at or above 32767 are clipped before the conversion, which would turn
// them into its out-of-range value; that value (also for NaN and very negative values)
// saturates to -32768 in the pack.
inline __m128i Round4(const float* src)
{
    // min(limit, x) keeps x when x is NaN.
    return _mm_cvtps_epi32(_mm_min_ps(_mm_set1_ps(32767.0f), _mm_loadu_ps(src)));
}

}  // namespace

void ConvertSse2(int16_t* dst, const float* src, int64_t values)
{
    int64_t k = 0;
    for (; k + 8 <= values; k += 8) {
        __m128i packed = _mm_packs_epi32(Round4(src + k), Round4(src + k + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), packed);
    }
    ConvertPlain(dst + k, src + k, values - k);
}

const MixerKernels SSE2_KERNELS = {MixSteadySse2, MixGainsSse2, ConvertSse2};

#endif
