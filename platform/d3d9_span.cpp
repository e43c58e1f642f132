// The pixel stage. A run is cut into chunks of at most CHUNK pixels. A chunk takes its texels
// straight from the texture row when the run steps exactly one texel per pixel along it (the
// untransformed page and panels; the chunk then ends where the row wraps), or else gathers
// them into a buffer; one loop of the chosen pixel loops (pixel_path.h) then modulates them by
// the colour and writes them, so each pixel of the target is read and written once.
#include "platform/d3d9_span.h"

#include <algorithm>
#include <cmath>

#include "platform/pixel_path.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const int CHUNK = 256;
const double FIXED_ONE = 4294967296.0;  // texture coordinates are 32.32 fixed point
const uint64_t ONE_TEXEL = uint64_t(1) << 32;
const uint32_t COLOUR_BYTES = 0x00FFFFFF;  // X8R8G8B8: the X byte written is always 0

// A texel coordinate reduced into [0, size) and turned into 32.32 fixed point. Wrapping is
// periodic, so reducing first loses nothing and keeps huge coordinates in range. The fixed
// value is below 2^63, where the signed conversion (one instruction) gives the same.
uint64_t WrappedFixed(double t, int size)
{
    if (t >= 0 && t < size) return uint64_t(int64_t(t * FIXED_ONE));
    if (!std::isfinite(t)) return 0;
    double r = std::fmod(t, double(size));
    if (r < 0) r += size;
    if (!(r < size)) r = 0;  // -tiny + size may round up to size
    return uint64_t(std::llround(r * FIXED_ONE));
}

// Four channel values, each kept within 0..255 (NaN as 0), in 16.16 fixed point with 0.5
// added so that the integer part is the value rounded to nearest.
void ChannelsFixed(const double channels[4], int32_t fixed[4])
{
#if defined(__SSE2__)
    // max and min return their second operand when the first is NaN or the two are equal.
    const __m128d zero = _mm_setzero_pd();
    const __m128d top = _mm_set1_pd(255.0);
    const __m128d scale = _mm_set1_pd(65536.0);
    const __m128d half = _mm_set1_pd(32768.0);
    __m128d low = _mm_min_pd(_mm_max_pd(_mm_loadu_pd(channels), zero), top);
    __m128d high = _mm_min_pd(_mm_max_pd(_mm_loadu_pd(channels + 2), zero), top);
    __m128i low_fixed = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(low, scale), half));
    __m128i high_fixed = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(high, scale), half));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(fixed), _mm_unpacklo_epi64(low_fixed, high_fixed));
#else
    for (int i = 0; i < 4; i++) {
        double c = channels[i];
        if (!(c > 0)) c = 0;  // NaN too
        if (c > 255) c = 255;
        fixed[i] = int32_t(c * 65536.0 + 32768.0);
    }
#endif
}

uint32_t PackChannels(const int32_t fixed[4])
{
    return uint32_t(fixed[0] >> 16) | uint32_t(fixed[1] >> 16) << 8 |
           uint32_t(fixed[2] >> 16) << 16 | uint32_t(fixed[3] >> 16) << 24;
}

// Linear colour along the run, stepping in 16.16 between the rounded end values; a step
// truncated towards zero never leaves the range between them.
struct ColourWalk {
    int32_t value[4];
    int32_t step[4];
};

ColourWalk StartColourWalk(const Span& span, bool varies)
{
    ColourWalk walk;
    ChannelsFixed(span.first, walk.value);
    int32_t last[4];
    if (varies) ChannelsFixed(span.last, last);
    for (int i = 0; i < 4; i++) {
        walk.step[i] = varies && span.count > 1 ? (last[i] - walk.value[i]) / (span.count - 1) : 0;
    }
    return walk;
}

void WalkColours(ColourWalk& walk, uint32_t* out, int n)
{
    int32_t b = walk.value[0], g = walk.value[1], r = walk.value[2], a = walk.value[3];
    for (int k = 0; k < n; k++) {
        out[k] = uint32_t(b >> 16) | uint32_t(g >> 16) << 8 | uint32_t(r >> 16) << 16 |
                 uint32_t(a >> 16) << 24;
        b += walk.step[0];
        g += walk.step[1];
        r += walk.step[2];
        a += walk.step[3];
    }
    walk.value[0] = b;
    walk.value[1] = g;
    walk.value[2] = r;
    walk.value[3] = a;
}

struct TexelWalk {
    uint64_t u, v, du, dv;
};

// Texels along one texture row (v does not change along the run), four at a time while
// four remain.
void FetchAlongRow(const uint32_t* row, uint32_t column_mask, TexelWalk& walk, uint32_t* out, int n)
{
    uint64_t u = walk.u;
    const uint64_t du = walk.du;
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        out[k] = row[uint32_t(u >> 32) & column_mask];
        out[k + 1] = row[uint32_t((u + du) >> 32) & column_mask];
        out[k + 2] = row[uint32_t((u + 2 * du) >> 32) & column_mask];
        out[k + 3] = row[uint32_t((u + 3 * du) >> 32) & column_mask];
        u += 4 * du;
    }
    for (; k < n; k++) {
        out[k] = row[uint32_t(u >> 32) & column_mask];
        u += du;
    }
    walk.u = u;
}

// Texels anywhere in the texture, four at a time while four remain.
void FetchAnywhere(const RasterTexture& texture, TexelWalk& walk, uint32_t* out, int n)
{
    const uint32_t column_mask = uint32_t(texture.width - 1);
    const uint32_t row_mask = uint32_t(texture.height - 1);
    const uint32_t* texels = texture.texels;
    const size_t pitch = size_t(texture.pitch);
    auto at = [&](uint64_t u, uint64_t v) {
        return texels[(uint32_t(v >> 32) & row_mask) * pitch + (uint32_t(u >> 32) & column_mask)];
    };
    uint64_t u = walk.u, v = walk.v;
    const uint64_t du = walk.du, dv = walk.dv;
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        out[k] = at(u, v);
        out[k + 1] = at(u + du, v + dv);
        out[k + 2] = at(u + 2 * du, v + 2 * dv);
        out[k + 3] = at(u + 3 * du, v + 3 * dv);
        u += 4 * du;
        v += 4 * dv;
    }
    for (; k < n; k++) {
        out[k] = at(u, v);
        u += du;
        v += dv;
    }
    walk.u = u;
    walk.v = v;
}

// The texels of the next n pixels (n is at most CHUNK and may be lowered here). One texel per
// pixel along a row reads the row itself, up to its end, where the run wraps to column 0;
// every other walk is gathered into `buffer`.
const uint32_t* NextTexels(const RasterTexture& texture, const uint32_t* row, TexelWalk& walk,
                           uint32_t* buffer, int& n)
{
    const uint32_t column_mask = uint32_t(texture.width - 1);
    if (row && walk.du == ONE_TEXEL) {
        const int column = int(uint32_t(walk.u >> 32) & column_mask);
        n = std::min(n, texture.width - column);
        walk.u += uint64_t(n) << 32;
        return row + column;
    }
    if (row) {
        FetchAlongRow(row, column_mask, walk, buffer, n);
    } else {
        FetchAnywhere(texture, walk, buffer, n);
    }
    return buffer;
}

enum WriteMode { WRITE_REPLACE, WRITE_ADD, WRITE_GENERAL };

uint32_t FactorValue(RasterBlendFactor factor, uint32_t source_alpha)
{
    switch (factor) {
    case RASTER_BLEND_ZERO: return 0;
    case RASTER_BLEND_ONE: return 255;
    case RASTER_BLEND_SRC_ALPHA: return source_alpha;
    case RASTER_BLEND_INV_SRC_ALPHA: return 255 - source_alpha;
    }
    return 255;
}

// Any other factor pair: the slow, general formula, one channel at a time.
void WriteBlended(uint32_t* dest, const uint32_t* source, int n, const RasterBlend& blend)
{
    for (int k = 0; k < n; k++) {
        uint32_t s = source[k], d = dest[k];
        uint32_t fs = FactorValue(blend.source, s >> 24);
        uint32_t fd = FactorValue(blend.destination, s >> 24);
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            uint32_t value = ((s >> shift & 0xFF) * fs + (d >> shift & 0xFF) * fd + 127) / 255;
            out |= std::min(value, 255u) << shift;
        }
        dest[k] = out;
    }
}

WriteMode ChooseWriteMode(const RasterBlend& blend)
{
    if (!blend.enabled) return WRITE_REPLACE;
    if (blend.source == RASTER_BLEND_ONE && blend.destination == RASTER_BLEND_ONE) return WRITE_ADD;
    if (blend.source == RASTER_BLEND_ONE && blend.destination == RASTER_BLEND_ZERO)
        return WRITE_REPLACE;
    return WRITE_GENERAL;
}

// Writes n source pixels, shaded as `shade` says. `scratch` (n pixels) holds the shaded
// pixels the general blend needs in full, alpha included.
void WritePixels(WriteMode mode, const RasterBlend& blend, uint32_t* dest, const uint32_t* source,
                 PixelShade shade, const uint32_t* colours, uint32_t colour, uint32_t* scratch,
                 int n)
{
    if (mode == WRITE_GENERAL) {
        if (shade != SHADE_NONE) {
            ShadePixels(scratch, source, shade == SHADE_EACH ? colours : nullptr, colour, n);
            source = scratch;
        }
        WriteBlended(dest, source, n, blend);
        return;
    }
    const PixelWrite write = mode == WRITE_ADD ? PIXEL_ADD : PIXEL_REPLACE;
    SelectedPixelKernels().runs[write][shade](dest, source, colours, colour, n);
}

// The piece of up to n pixels from column x that is wholly under a pending fill, or wholly
// not: its length, and in `filled` which.
int PendingPiece(const PendingRow& row, int x, int n, bool* filled)
{
    for (int i = 0; i < row.count; i++) {
        if (row.end[i] <= x) continue;
        if (row.begin[i] <= x) {
            *filled = true;
            return std::min(n, row.end[i] - x);
        }
        return std::min(n, row.begin[i] - x);
    }
    return n;
}

// How to draw n pixels under a pending fill of `colour`: a write needs nothing under it, and
// adding onto black is writing; anything else reads the fill, which is then written first.
WriteMode OverFill(WriteMode mode, uint32_t colour, uint32_t* dest, int n)
{
    if (mode == WRITE_REPLACE || (mode == WRITE_ADD && colour == 0)) return WRITE_REPLACE;
    std::fill(dest, dest + n, colour);
    return mode;
}

// Whether the columns [begin, end) all lie under one pending run.
bool UnderPending(const PendingRow& row, int begin, int end)
{
    for (int i = 0; i < row.count; i++) {
        if (row.begin[i] <= begin && end <= row.end[i]) return true;
    }
    return false;
}

// How many pixels at the front and at the back of a run leave the target as a pending black
// fill leaves it: texels of 0 (one texel per pixel along one texture row, not wrapping), over
// that fill, written or added. They are not drawn.
void BlankEnds(const SpanSource& source, const Span& span, const TexelWalk& texels, bool along_row,
               WriteMode mode, int* front, int* back)
{
    *front = 0;
    *back = 0;
    const RasterTexture* t = source.texture;
    if (!span.pending || span.pending_colour != 0 || mode == WRITE_GENERAL || !along_row ||
        texels.du != ONE_TEXEL || !t->inked) {
        return;
    }
    const int column = int(uint32_t(texels.u >> 32) & uint32_t(t->width - 1));
    if (column + span.count > t->width) return;
    const int row = int(uint32_t(texels.v >> 32) & uint32_t(t->height - 1));
    const int first = t->inked[2 * row], end = t->inked[2 * row + 1];
    if (first >= end) {  // a blank row
        if (UnderPending(*span.pending, span.x, span.x + span.count)) *front = span.count;
        return;
    }
    const int blank_front = std::clamp(first - column, 0, span.count);
    const int blank_back = std::clamp(column + span.count - end, 0, span.count - blank_front);
    if (blank_front > 0 && UnderPending(*span.pending, span.x, span.x + blank_front)) {
        *front = blank_front;
    }
    const int back_begin = span.x + span.count - blank_back;
    if (blank_back > 0 && UnderPending(*span.pending, back_begin, back_begin + blank_back)) {
        *back = blank_back;
    }
}

}  // namespace

// A per-pixel step reduced modulo the texture size; stepping wraps modulo 2^64, a multiple
// of size × 2^32 for power-of-two sizes, so the reduced step walks the same texels.
uint64_t TexelStep(double d, int size)
{
    if (!std::isfinite(d)) return 0;
    double r = std::fmod(d, double(size));
    return uint64_t(std::llround(r * FIXED_ONE));
}

DrawnColumns DrawSpan(const SpanSource& source, const Span& span)
{
    if (span.count <= 0) return DrawnColumns{span.x, span.x};
    const WriteMode mode = ChooseWriteMode(source.blend);
    ColourWalk colours = StartColourWalk(span, source.colour_varies);
    const uint32_t constant_colour = PackChannels(colours.value);

    TexelWalk texels = {};
    const uint32_t* texel_row = nullptr;
    if (source.texture) {
        const RasterTexture& t = *source.texture;
        texels.u = WrappedFixed(span.u, t.width);
        texels.v = WrappedFixed(span.v, t.height);
        texels.du = source.du;
        texels.dv = source.dv;
        if (texels.dv == 0) texel_row = t.texels + size_t(texels.v >> 32) * size_t(t.pitch);
    }
    // Constant white (alpha included) leaves texels as they are; for writes that ignore
    // alpha the colour's alpha does not matter.
    const uint32_t identity_mask = mode == WRITE_GENERAL ? 0xFFFFFFFF : COLOUR_BYTES;
    PixelShade shade = SHADE_NONE;
    if (source.texture && source.colour_varies) {
        shade = SHADE_EACH;
    } else if (source.texture && (constant_colour & identity_mask) != identity_mask) {
        shade = SHADE_SAME;
    }

    int blank_front = 0, blank_back = 0;
    if (!source.colour_varies && source.texture) {
        BlankEnds(source, span, texels, texel_row != nullptr, mode, &blank_front, &blank_back);
    }
    texels.u += uint64_t(blank_front) * texels.du;
    const int count = span.count - blank_back;

    // colour_buffer: the colour of each pixel of the chunk when it varies, or when it is the
    // source itself (filled once when constant).
    uint32_t colour_buffer[CHUNK];
    uint32_t texel_buffer[CHUNK];
    if (!source.colour_varies && !source.texture) {
        std::fill(colour_buffer, colour_buffer + std::min(CHUNK, span.count), constant_colour);
    }
    int done = blank_front;
    while (done < count) {
        int n = std::min(CHUNK, count - done);
        bool filled = false;
        if (span.pending) n = PendingPiece(*span.pending, span.x + done, n, &filled);
        const uint32_t* shades = colour_buffer;  // untextured: the colour is the source
        if (source.texture) {
            shades = NextTexels(*source.texture, texel_row, texels, texel_buffer, n);
        }
        const WriteMode piece_mode =
            filled ? OverFill(mode, span.pending_colour, span.dest + done, n) : mode;
        if (source.colour_varies) WalkColours(colours, colour_buffer, n);
        WritePixels(piece_mode, source.blend, span.dest + done, shades, shade, colour_buffer,
                    constant_colour, texel_buffer, n);
        done += n;
    }
    return DrawnColumns{span.x + blank_front, span.x + std::max(blank_front, count)};
}
