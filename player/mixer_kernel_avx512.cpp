// The mixer's inner loops with AVX-512 (foundation and doubleword-quadword instructions),
// eight frames at a time, the last few under a mask: the play positions as eight 64-bit
// lanes. Bit for bit the plain loops: the same IEEE operations per output value, only side by
// side, and no fused multiply-add (contraction is off for the whole build).
//
// Compiled with -mavx512f -mavx512dq -mavx512vl and called only when the processor has all
// three. It includes no header with inline functions of external linkage, so nothing
// compiled here for AVX-512 can stand in for code of another file.
#include "player/mixer_kernels.h"

#ifdef MIXER_X86_KERNELS

// GCC 12's AVX-512 intrinsics start many results from a deliberately undefined register,
// which its own warning then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
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

// The frame pairs at p and the next seven positions. (Eight loads beat a gather, which is
// slow on some processors.)
inline __m256i PairsAt(const int16_t* data, uint64_t p, uint64_t step)
{
    __m128i low = _mm_setr_epi32(FramePair(data, p), FramePair(data, p + step),
                                 FramePair(data, p + 2 * step), FramePair(data, p + 3 * step));
    __m128i high = _mm_setr_epi32(FramePair(data, p + 4 * step), FramePair(data, p + 5 * step),
                                  FramePair(data, p + 6 * step), FramePair(data, p + 7 * step));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// The frame pairs at the first `count` (below 8) of those positions; the other lanes repeat
// the pair at p, so that nothing beyond the frames being mixed is read. (Built in registers:
// a vector loaded from pairs just stored would wait for the stores.)
inline __m256i FirstPairsAt(const int16_t* data, uint64_t p, uint64_t step, int32_t count)
{
    __m256i pairs = _mm256_set1_epi32(FramePair(data, p));
    for (int32_t k = 1; k < count; k++) {
        p += step;
        pairs = _mm256_mask_set1_epi32(pairs, static_cast<__mmask8>(1u << k), FramePair(data, p));
    }
    return pairs;
}

// The interpolated values for eight frame pairs at the positions in `position`, in double.
//
// With a the frame at the integer part, d the difference to the next frame and f the upper
// 31 bits of the fraction, every step of a + (f × 2^-31) × d is exact in double: the value
// is exactly (a × 2^31 + f × d) × 2^-31, an integer below 2^48 scaled by a power of two. It
// is formed here in 64-bit integers, converted exactly and scaled exactly.
inline __m512d Interpolate8(__m256i frame_pairs, __m512i position)
{
    __m512i pairs = _mm512_cvtepi32_epi64(frame_pairs);
    __m512i first = _mm512_srai_epi64(_mm512_slli_epi64(pairs, 48), 48);
    __m512i difference = _mm512_sub_epi64(_mm512_srai_epi64(pairs, 16), first);
    __m512i fraction = _mm512_srli_epi64(_mm512_slli_epi64(position, 32), 33);
    __m512i scaled =
        _mm512_add_epi64(_mm512_slli_epi64(first, 31), _mm512_mul_epi32(fraction, difference));
    return _mm512_mul_pd(_mm512_cvtepi64_pd(scaled), _mm512_set1_pd(1.0 / 2147483648.0));
}

// Eight stereo frames of float sums (or gains) as two vectors of double: frames 0 to 3 and
// frames 4 to 7; only the values in `mask` are read.
struct Frames8 {
    __m512d first;
    __m512d second;
};

inline Frames8 LoadFrames8(const float* values)
{
    return Frames8{_mm512_cvtps_pd(_mm256_loadu_ps(values)),
                   _mm512_cvtps_pd(_mm256_loadu_ps(values + 8))};
}

inline Frames8 LoadFrames8(const float* values, __mmask16 mask)
{
    __m512 all = _mm512_maskz_loadu_ps(mask, values);
    return Frames8{
        _mm512_cvtps_pd(_mm512_castps512_ps256(all)),
        _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(all), 1)))};
}

// out += x × gains for eight stereo frames, each sum rounded to float; only the values in
// `mask` are read and written.
inline void Accumulate8(float* out, __m512d x, const Frames8& gains, __mmask16 mask)
{
    const __m512i spread03 = _mm512_setr_epi64(0, 0, 1, 1, 2, 2, 3, 3);
    const __m512i spread47 = _mm512_setr_epi64(4, 4, 5, 5, 6, 6, 7, 7);
    Frames8 sums = mask == 0xFFFF ? LoadFrames8(out) : LoadFrames8(out, mask);
    sums.first =
        _mm512_add_pd(sums.first, _mm512_mul_pd(_mm512_permutexvar_pd(spread03, x), gains.first));
    sums.second =
        _mm512_add_pd(sums.second, _mm512_mul_pd(_mm512_permutexvar_pd(spread47, x), gains.second));
    __m256 first = _mm512_cvtpd_ps(sums.first);
    __m256 second = _mm512_cvtpd_ps(sums.second);
    if (mask == 0xFFFF) {
        _mm256_storeu_ps(out, first);
        _mm256_storeu_ps(out + 8, second);
    } else {
        __m512d both = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(first)),
                                          _mm256_castps_pd(second), 1);
        _mm512_mask_storeu_ps(out, mask, _mm512_castpd_ps(both));
    }
}

// Constant gains.
struct SteadyGains {
    Frames8 gains;
    Frames8 At(int32_t, __mmask16) const { return gains; }
};

// Gains that change every frame, two floats per frame.
struct RampGains {
    const float* gains;
    Frames8 At(int32_t frame, __mmask16 mask) const
    {
        return mask == 0xFFFF ? LoadFrames8(gains + 2 * frame)
                              : LoadFrames8(gains + 2 * frame, mask);
    }
};

template <typename Gains>
uint64_t MixFrames(float* out, int32_t frames, const int16_t* data, uint64_t position,
                   uint64_t step, const Gains& gains)
{
    // Lane k at position + k × step: the step added in the lanes whose number has bit 0, 1
    // or 2 set, once, twice or four times.
    const __m512i one_step = _mm512_set1_epi64(static_cast<long long>(step));
    const __m512i two_steps = _mm512_add_epi64(one_step, one_step);
    const __m512i four_steps = _mm512_add_epi64(two_steps, two_steps);
    const __m512i advance = _mm512_add_epi64(four_steps, four_steps);
    __m512i positions = _mm512_set1_epi64(static_cast<long long>(position));
    positions = _mm512_mask_add_epi64(positions, 0xAA, positions, one_step);
    positions = _mm512_mask_add_epi64(positions, 0xCC, positions, two_steps);
    positions = _mm512_mask_add_epi64(positions, 0xF0, positions, four_steps);
    uint64_t p = position;
    int32_t k = 0;
    for (; k + 8 <= frames; k += 8) {
        __m512d x = Interpolate8(PairsAt(data, p, step), positions);
        Accumulate8(out + 2 * k, x, gains.At(k, 0xFFFF), 0xFFFF);
        positions = _mm512_add_epi64(positions, advance);
        p += 8 * step;
    }
    if (k < frames) {
        // The last one to seven frames, in the lower lanes.
        const int32_t rest = frames - k;
        const __mmask16 mask = static_cast<__mmask16>((1u << (2 * rest)) - 1);
        __m512d x = Interpolate8(FirstPairsAt(data, p, step, rest), positions);
        Accumulate8(out + 2 * k, x, gains.At(k, mask), mask);
        p += static_cast<uint64_t>(rest) * step;
    }
    return p;
}

uint64_t MixSteadyAvx512(float* out, int32_t frames, const int16_t* data, uint64_t position,
                         uint64_t step, float left_gain, float right_gain)
{
    const __m512d both = _mm512_setr_pd(left_gain, right_gain, left_gain, right_gain, left_gain,
                                        right_gain, left_gain, right_gain);
    return MixFrames(out, frames, data, position, step, SteadyGains{Frames8{both, both}});
}

uint64_t MixGainsAvx512(float* out, int32_t frames, const int16_t* data, uint64_t position,
                        uint64_t step, const float* gains)
{
    return MixFrames(out, frames, data, position, step, RampGains{gains});
}

// Sixteen floats rounded to nearest (ties to even, the processor's default mode) and clipped
// to 16 bits: values at or above 32767 are clipped before the conversion, which turns
// anything out of range (and NaN) into its out-of-range value; the saturating narrowing
// turns that into -32768.
void ConvertAvx512(int16_t* dst, const float* src, int64_t values)
{
    const __m512 limit = _mm512_set1_ps(32767.0f);
    int64_t k = 0;
    for (; k + 16 <= values; k += 16) {
        // min(limit, x) keeps x when x is NaN.
        __m512i rounded = _mm512_cvtps_epi32(_mm512_min_ps(limit, _mm512_loadu_ps(src + k)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + k), _mm512_cvtsepi32_epi16(rounded));
    }
    ConvertPlain(dst + k, src + k, values - k);
}

}  // namespace

const MixerKernels AVX512_KERNELS = {MixSteadyAvx512, MixGainsAvx512, ConvertAvx512};

#endif
