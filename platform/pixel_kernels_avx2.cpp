// The pixel loops with AVX2, eight pixels per instruction; the last one to seven pixels of a
// run go through the same code under a mask. The same integer operations as the SSE2 set,
// which work within 128-bit halves, so the pixels come out in the same places.
//
// Compiled with -mavx2 and called only when the processor has AVX2. It includes no header
// with inline functions of external linkage, so nothing compiled here for AVX2 can stand in
// for code of another file.
#include "platform/pixel_kernels.h"

#ifdef PIXEL_X86_WIDE_KERNELS

#include <immintrin.h>

namespace {

const int COLOUR_BYTES = 0x00FFFFFF;  // X8R8G8B8: the X byte written is always 0

inline __m256i Load8(const uint32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void Store8(uint32_t* p, __m256i value)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), value);
}

// The lanes below n set: the first n pixels of eight.
inline __m256i FirstLanes(int n)
{
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

inline __m256i LoadPart(const uint32_t* p, __m256i lanes)
{
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), lanes);
}

// Texel times colour for eight pixels, as the SSE2 set does it for four: the bytes widened to
// 16 bits, (x + (x >> 8)) >> 8 as the high half of x × 257.
inline __m256i Modulate8(__m256i texels, __m256i colours)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i by_257 = _mm256_set1_epi16(257);
    __m256i low =
        _mm256_mullo_epi16(_mm256_unpacklo_epi8(texels, zero), _mm256_unpacklo_epi8(colours, zero));
    __m256i high =
        _mm256_mullo_epi16(_mm256_unpackhi_epi8(texels, zero), _mm256_unpackhi_epi8(colours, zero));
    low = _mm256_mulhi_epu16(_mm256_add_epi16(low, half), by_257);
    high = _mm256_mulhi_epu16(_mm256_add_epi16(high, half), by_257);
    return _mm256_packus_epi16(low, high);
}

template <PixelWrite write, PixelShade shade>
inline __m256i Pixels8(__m256i source, __m256i colours, __m256i dest)
{
    if constexpr (shade != SHADE_NONE) source = Modulate8(source, colours);
    if constexpr (write == PIXEL_ADD) source = _mm256_adds_epu8(source, dest);
    return _mm256_and_si256(source, _mm256_set1_epi32(COLOUR_BYTES));
}

template <PixelWrite write, PixelShade shade>
void Run(uint32_t* dest, const uint32_t* source, const uint32_t* colours, uint32_t colour, int n)
{
    const __m256i same = _mm256_set1_epi32(int(colour));
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i c = shade == SHADE_EACH ? Load8(colours + k) : same;
        const __m256i d = write == PIXEL_ADD ? Load8(dest + k) : same;
        Store8(dest + k, Pixels8<write, shade>(Load8(source + k), c, d));
    }
    if (k < n) {
        const __m256i lanes = FirstLanes(n - k);
        const __m256i c = shade == SHADE_EACH ? LoadPart(colours + k, lanes) : same;
        const __m256i d = write == PIXEL_ADD ? LoadPart(dest + k, lanes) : same;
        const __m256i out = Pixels8<write, shade>(LoadPart(source + k, lanes), c, d);
        _mm256_maskstore_epi32(reinterpret_cast<int*>(dest + k), lanes, out);
    }
}

// Blend for eight pixels, each with its own weight (one per 32-bit lane), as the SSE2 set
// does it for four: blue and red, then green, weighted in 16-bit lanes.
inline __m256i Blend8(__m256i a, __m256i b, __m256i weights)
{
    const __m256i bytes_0_2 = _mm256_set1_epi32(0x00FF00FF);
    const __m256i half = _mm256_set1_epi16(0x80);
    const __m256i w = _mm256_or_si256(weights, _mm256_slli_epi32(weights, 16));
    const __m256i v = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    __m256i blue_red =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(a, bytes_0_2), v),
                                          _mm256_mullo_epi16(_mm256_and_si256(b, bytes_0_2), w)),
                         half);
    __m256i green = _mm256_add_epi16(
        _mm256_add_epi16(
            _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi32(a, 8), bytes_0_2), v),
            _mm256_mullo_epi16(_mm256_and_si256(_mm256_srli_epi32(b, 8), bytes_0_2), w)),
        half);
    return _mm256_or_si256(_mm256_srli_epi16(blue_red, 8),
                           _mm256_and_si256(green, _mm256_set1_epi32(0x0000FF00)));
}

// Both source pixels of four destination pixels: a (the firsts) and b (the nexts).
inline void Pairs4(const int32_t* first, const uint32_t* source, __m128i& a, __m128i& b)
{
    __m128i pair0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[0]));
    __m128i pair1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[1]));
    __m128i pair2 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[2]));
    __m128i pair3 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[3]));
    __m128i pairs01 = _mm_unpacklo_epi32(pair0, pair1);  // a0 a1 b0 b1
    __m128i pairs23 = _mm_unpacklo_epi32(pair2, pair3);  // a2 a3 b2 b3
    a = _mm_unpacklo_epi64(pairs01, pairs23);
    b = _mm_unpackhi_epi64(pairs01, pairs23);
}

}  // namespace

// Eight destination pixels at a time, their source pairs loaded as the SSE2 set does.
void ScaleRowAvx2(const int32_t* first, const uint32_t* weight, const uint32_t* source,
                  uint32_t* row, int width)
{
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i a_low, b_low, a_high, b_high;
        Pairs4(first + x, source, a_low, b_low);
        Pairs4(first + x + 4, source, a_high, b_high);
        const __m256i a = _mm256_inserti128_si256(_mm256_castsi128_si256(a_low), a_high, 1);
        const __m256i b = _mm256_inserti128_si256(_mm256_castsi128_si256(b_low), b_high, 1);
        Store8(row + x, Blend8(a, b, Load8(weight + x)));
    }
    ScaleRowPlain(first + x, weight + x, source, row + x, width - x);
}

void BlendRowsAvx2(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
                   int width)
{
    const __m256i w = _mm256_set1_epi32(int(weight));
    int x = 0;
    for (; x + 8 <= width; x += 8) Store8(out + x, Blend8(Load8(upper + x), Load8(lower + x), w));
    BlendRowsPlain(upper + x, lower + x, weight, out + x, width - x);
}

const PixelKernels AVX2_PIXEL_KERNELS = {
    {{Run<PIXEL_REPLACE, SHADE_NONE>, Run<PIXEL_REPLACE, SHADE_SAME>,
      Run<PIXEL_REPLACE, SHADE_EACH>},
     {Run<PIXEL_ADD, SHADE_NONE>, Run<PIXEL_ADD, SHADE_SAME>, Run<PIXEL_ADD, SHADE_EACH>}},
    ScaleRowAvx2,
    BlendRowsAvx2,
};

#endif
