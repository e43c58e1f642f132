// The pixel loops with AVX-512 (foundation and byte-word instructions): a
// run's pixels sixteen per instruction, the last one to fifteen under a mask, the same
// integer operations as the SSE2 set within each 128-bit quarter. The scaler is the AVX2
// set's: its source loads, not its arithmetic, bound it.
//
// Compiled with -mavx512f -mavx512bw and called only when the processor has both. It includes no
// header with inline functions of external linkage, so nothing compiled here for AVX-512 can stand
// in for code of another file.
#include "platform/pixel_kernels.h"

#ifdef PIXEL_X86_WIDE_KERNELS

// GCC 12's AVX-512 intrinsics start many results from a deliberately undefined register,
// which its own warning then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

namespace {

const int COLOUR_BYTES = 0x00FFFFFF;  // X8R8G8B8: the X byte written is always 0

// Texel times colour for sixteen pixels: the bytes widened to 16 bits, (x + (x >> 8)) >> 8 as
// the high half of x × 257.
inline __m512i Modulate16(__m512i texels, __m512i colours)
{
    const __m512i zero = _mm512_setzero_si512();
    const __m512i half = _mm512_set1_epi16(128);
    const __m512i by_257 = _mm512_set1_epi16(257);
    __m512i low =
        _mm512_mullo_epi16(_mm512_unpacklo_epi8(texels, zero), _mm512_unpacklo_epi8(colours, zero));
    __m512i high =
        _mm512_mullo_epi16(_mm512_unpackhi_epi8(texels, zero), _mm512_unpackhi_epi8(colours, zero));
    low = _mm512_mulhi_epu16(_mm512_add_epi16(low, half), by_257);
    high = _mm512_mulhi_epu16(_mm512_add_epi16(high, half), by_257);
    return _mm512_packus_epi16(low, high);
}

template <PixelWrite write, PixelShade shade>
inline __m512i Pixels16(__m512i source, __m512i colours, __m512i dest)
{
    if constexpr (shade != SHADE_NONE) source = Modulate16(source, colours);
    if constexpr (write == PIXEL_ADD) source = _mm512_adds_epu8(source, dest);
    return _mm512_and_si512(source, _mm512_set1_epi32(COLOUR_BYTES));
}

template <PixelWrite write, PixelShade shade>
void Run(uint32_t* dest, const uint32_t* source, const uint32_t* colours, uint32_t colour, int n)
{
    const __m512i same = _mm512_set1_epi32(int(colour));
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m512i c = shade == SHADE_EACH ? _mm512_loadu_si512(colours + k) : same;
        const __m512i d = write == PIXEL_ADD ? _mm512_loadu_si512(dest + k) : same;
        _mm512_storeu_si512(dest + k, Pixels16<write, shade>(_mm512_loadu_si512(source + k), c, d));
    }
    if (k < n) {
        const __mmask16 lanes = __mmask16((1u << (n - k)) - 1);
        const __m512i c = shade == SHADE_EACH ? _mm512_maskz_loadu_epi32(lanes, colours + k) : same;
        const __m512i d = write == PIXEL_ADD ? _mm512_maskz_loadu_epi32(lanes, dest + k) : same;
        const __m512i s = _mm512_maskz_loadu_epi32(lanes, source + k);
        _mm512_mask_storeu_epi32(dest + k, lanes, Pixels16<write, shade>(s, c, d));
    }
}

}  // namespace

const PixelKernels AVX512_PIXEL_KERNELS = {
    {{Run<PIXEL_REPLACE, SHADE_NONE>, Run<PIXEL_REPLACE, SHADE_SAME>,
      Run<PIXEL_REPLACE, SHADE_EACH>},
     {Run<PIXEL_ADD, SHADE_NONE>, Run<PIXEL_ADD, SHADE_SAME>, Run<PIXEL_ADD, SHADE_EACH>}},
    ScaleRowAvx2,
    BlendRowsAvx2,
};

#endif
