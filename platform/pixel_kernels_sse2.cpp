// The pixel loops with SSE2, four pixels per instruction: the baseline of every x86-64
// processor, and what WebAssembly's SIMD translates. The last one to three pixels of a run go
// through the same code, loaded and stored piecewise.
#include "platform/pixel_kernels.h"

#ifdef PIXEL_SSE2_KERNELS

#include <emmintrin.h>

namespace {

const uint32_t COLOUR_BYTES = 0x00FFFFFF;  // X8R8G8B8: the X byte written is always 0

inline __m128i Load4(const uint32_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store4(uint32_t* p, __m128i value)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), value);
}

// One to three pixels (the other lanes are zero).
inline __m128i LoadPart(const uint32_t* p, int n)
{
    if (n == 1) return _mm_cvtsi32_si128(int(p[0]));
    const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    if (n == 2) return two;
    return _mm_unpacklo_epi64(two, _mm_cvtsi32_si128(int(p[2])));
}

inline void StorePart(uint32_t* p, __m128i value, int n)
{
    if (n == 1) {
        p[0] = uint32_t(_mm_cvtsi128_si32(value));
        return;
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), value);
    if (n == 3) p[2] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(value, 8)));
}

// Texel times colour for four pixels: the bytes are widened to 16 bits, where the product and
// the rounding fit; (x + (x >> 8)) >> 8 equals the high half of x × 257 for every x here.
inline __m128i Modulate4(__m128i texels, __m128i colours)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    const __m128i by_257 = _mm_set1_epi16(257);
    __m128i low =
        _mm_mullo_epi16(_mm_unpacklo_epi8(texels, zero), _mm_unpacklo_epi8(colours, zero));
    __m128i high =
        _mm_mullo_epi16(_mm_unpackhi_epi8(texels, zero), _mm_unpackhi_epi8(colours, zero));
    low = _mm_mulhi_epu16(_mm_add_epi16(low, half), by_257);
    high = _mm_mulhi_epu16(_mm_add_epi16(high, half), by_257);
    return _mm_packus_epi16(low, high);
}

template <PixelWrite write, PixelShade shade>
inline __m128i Pixels4(__m128i source, __m128i colours, __m128i dest)
{
    if constexpr (shade != SHADE_NONE) source = Modulate4(source, colours);
    if constexpr (write == PIXEL_ADD) source = _mm_adds_epu8(source, dest);
    return _mm_and_si128(source, _mm_set1_epi32(int(COLOUR_BYTES)));
}

template <PixelWrite write, PixelShade shade>
void Run(uint32_t* dest, const uint32_t* source, const uint32_t* colours, uint32_t colour, int n)
{
    const __m128i same = _mm_set1_epi32(int(colour));
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m128i c = shade == SHADE_EACH ? Load4(colours + k) : same;
        const __m128i d = write == PIXEL_ADD ? Load4(dest + k) : same;
        Store4(dest + k, Pixels4<write, shade>(Load4(source + k), c, d));
    }
    if (k < n) {
        const int m = n - k;
        const __m128i c = shade == SHADE_EACH ? LoadPart(colours + k, m) : same;
        const __m128i d = write == PIXEL_ADD ? LoadPart(dest + k, m) : same;
        StorePart(dest + k, Pixels4<write, shade>(LoadPart(source + k, m), c, d), m);
    }
}

// Blend for four pixels, each with its own weight in `weights` (one per 32-bit lane). The
// colour bytes are weighted in 16-bit lanes: blue and red, then green.
inline __m128i Blend4(__m128i a, __m128i b, __m128i weights)
{
    const __m128i bytes_0_2 = _mm_set1_epi32(0x00FF00FF);
    const __m128i half = _mm_set1_epi16(0x80);
    const __m128i w = _mm_or_si128(weights, _mm_slli_epi32(weights, 16));
    const __m128i v = _mm_sub_epi16(_mm_set1_epi16(256), w);
    __m128i blue_red = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(a, bytes_0_2), v),
                                                   _mm_mullo_epi16(_mm_and_si128(b, bytes_0_2), w)),
                                     half);
    __m128i green = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(a, 8), bytes_0_2), v),
                      _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(b, 8), bytes_0_2), w)),
        half);
    return _mm_or_si128(_mm_srli_epi16(blue_red, 8),
                        _mm_and_si128(green, _mm_set1_epi32(0x0000FF00)));
}

// Four destination pixels at a time: both source pixels of each come in one 64-bit load.
void ScaleRow(const int32_t* first, const uint32_t* weight, const uint32_t* source, uint32_t* row,
              int width)
{
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i pair0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[x]));
        __m128i pair1 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[x + 1]));
        __m128i pair2 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[x + 2]));
        __m128i pair3 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + first[x + 3]));
        __m128i pairs01 = _mm_unpacklo_epi32(pair0, pair1);  // a0 a1 b0 b1
        __m128i pairs23 = _mm_unpacklo_epi32(pair2, pair3);  // a2 a3 b2 b3
        __m128i a = _mm_unpacklo_epi64(pairs01, pairs23);
        __m128i b = _mm_unpackhi_epi64(pairs01, pairs23);
        Store4(row + x, Blend4(a, b, Load4(weight + x)));
    }
    ScaleRowPlain(first + x, weight + x, source, row + x, width - x);
}

void BlendRows(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
               int width)
{
    const __m128i w = _mm_set1_epi32(int(weight));
    int x = 0;
    for (; x + 4 <= width; x += 4) Store4(out + x, Blend4(Load4(upper + x), Load4(lower + x), w));
    BlendRowsPlain(upper + x, lower + x, weight, out + x, width - x);
}

}  // namespace

const PixelKernels SSE2_PIXEL_KERNELS = {
    {{Run<PIXEL_REPLACE, SHADE_NONE>, Run<PIXEL_REPLACE, SHADE_SAME>,
      Run<PIXEL_REPLACE, SHADE_EACH>},
     {Run<PIXEL_ADD, SHADE_NONE>, Run<PIXEL_ADD, SHADE_SAME>, Run<PIXEL_ADD, SHADE_EACH>}},
    ScaleRow,
    BlendRows,
};

#endif
