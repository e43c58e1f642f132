// Bilinear scaling: each destination pixel's centre is mapped into the source, and the two
// nearest source columns and rows are blended, as a texture sampled with linear filtering.
// Rows are scaled across once and blended down; a destination row that falls on a source row
// (the window's 600 rows of a 600-row picture) is the scaled source row itself. Both steps
// blend four pixels at a time with SSE2.
#include "platform/sdl/picture_scale.h"

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The taps of `destination` pixels spread over `source` ones. A tap never names the last
// source pixel as its first: there it names the one before with the full weight on the next,
// so that reading both of a tap's pixels stays inside the row.
ScaleTaps TapsFor(int source, int destination)
{
    ScaleTaps taps;
    taps.first.resize(static_cast<size_t>(destination));
    taps.weight.resize(static_cast<size_t>(destination));
    for (int d = 0; d < destination; d++) {
        // The centre of destination pixel d, in source pixels, in 1/256 units.
        int64_t at = ((2 * static_cast<int64_t>(d) + 1) * source * 256) / (2 * destination) - 128;
        if (at < 0) at = 0;
        if (at > static_cast<int64_t>(source - 1) * 256)
            at = static_cast<int64_t>(source - 1) * 256;
        int32_t first = static_cast<int32_t>(at >> 8);
        uint32_t weight = static_cast<uint32_t>(at & 255);
        if (first == source - 1 && source > 1) {
            first = source - 2;
            weight = 256;
        }
        taps.first[static_cast<size_t>(d)] = first;
        taps.weight[static_cast<size_t>(d)] = weight;
    }
    return taps;
}

// a and b weighted 256 - w and w, per colour byte, rounded.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t w)
{
    uint32_t red_blue = ((a & 0xFF00FF) * (256 - w) + (b & 0xFF00FF) * w + 0x800080) >> 8;
    uint32_t green = ((a & 0xFF00) * (256 - w) + (b & 0xFF00) * w + 0x8000) >> 8;
    return (red_blue & 0xFF00FF) | (green & 0xFF00);
}

#if defined(__SSE2__)
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
void ScaleRow(const ScaleTaps& columns, const uint32_t* source, uint32_t* row, int width)
{
    const int32_t* first = columns.first.data();
    const uint32_t* weight = columns.weight.data();
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
        __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weight + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), Blend4(a, b, w));
    }
    for (; x < width; x++) {
        const uint32_t* at = source + first[x];
        row[x] = weight[x] ? Blend(at[0], at[1], weight[x]) : at[0];
    }
}

// Two scaled rows blended down with one weight.
void BlendRows(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
               int width)
{
    const __m128i w = _mm_set1_epi32(int(weight));
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + x));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), Blend4(a, b, w));
    }
    for (; x < width; x++) out[x] = Blend(upper[x], lower[x], weight);
}
#else
void ScaleRow(const ScaleTaps& columns, const uint32_t* source, uint32_t* row, int width)
{
    const int32_t* first = columns.first.data();
    const uint32_t* weight = columns.weight.data();
    for (int x = 0; x < width; x++) {
        const uint32_t* at = source + first[x];
        row[x] = weight[x] ? Blend(at[0], at[1], weight[x]) : at[0];
    }
}

void BlendRows(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
               int width)
{
    for (int x = 0; x < width; x++) out[x] = Blend(upper[x], lower[x], weight);
}
#endif

}  // namespace

void PreparePictureScale(PictureScale* scale, int source_width, int source_height, int width,
                         int height)
{
    scale->source_width = source_width;
    scale->source_height = source_height;
    scale->width = width;
    scale->height = height;
    scale->columns = TapsFor(source_width, width);
    scale->rows = TapsFor(source_height, height);
    scale->upper.assign(static_cast<size_t>(width), 0);
    scale->lower.assign(static_cast<size_t>(width), 0);
    scale->upper_row = -1;
    scale->lower_row = -1;
}

void ScalePicture(PictureScale* scale, const uint32_t* source, int source_pitch,
                  uint32_t* destination, int destination_pitch)
{
    const int width = scale->width;
    scale->upper_row = -1;
    scale->lower_row = -1;
    for (int y = 0; y < scale->height; y++) {
        const int32_t top = scale->rows.first[static_cast<size_t>(y)];
        const uint32_t weight = scale->rows.weight[static_cast<size_t>(y)];
        uint32_t* out = destination + static_cast<int64_t>(y) * destination_pitch;
        if (weight == 0 || weight == 256) {
            const int32_t row = weight == 0 ? top : top + 1;
            ScaleRow(scale->columns, source + static_cast<int64_t>(row) * source_pitch, out, width);
            continue;
        }
        // The two source rows, scaled across; reused by the next destination rows.
        if (scale->upper_row != top) {
            if (scale->lower_row == top) {
                scale->upper.swap(scale->lower);
                scale->lower_row = -1;
            } else {
                ScaleRow(scale->columns, source + static_cast<int64_t>(top) * source_pitch,
                         scale->upper.data(), width);
            }
            scale->upper_row = top;
        }
        if (scale->lower_row != top + 1) {
            ScaleRow(scale->columns, source + static_cast<int64_t>(top + 1) * source_pitch,
                     scale->lower.data(), width);
            scale->lower_row = top + 1;
        }
        BlendRows(scale->upper.data(), scale->lower.data(), weight, out, width);
    }
}
