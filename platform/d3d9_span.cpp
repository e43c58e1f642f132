// The pixel stage. A run is cut into chunks of at most CHUNK pixels; each chunk goes through
// separate simple loops (colours, texel fetch, modulation, write), one loop per variant, so
// the inner loops have no branches and the compiler can vectorise the arithmetic ones.
#include "platform/d3d9_span.h"

#include <algorithm>
#include <cmath>

namespace {

const int CHUNK = 256;
const double FIXED_ONE = 4294967296.0;  // texture coordinates are 32.32 fixed point

// A texel coordinate reduced into [0, size) and turned into 32.32 fixed point. Wrapping is
// periodic, so reducing first loses nothing and keeps huge coordinates in range.
uint64_t WrappedFixed(double t, int size)
{
    if (t >= 0 && t < size) return uint64_t(t * FIXED_ONE);
    if (!std::isfinite(t)) return 0;
    double r = std::fmod(t, double(size));
    if (r < 0) r += size;
    if (!(r < size)) r = 0;  // -tiny + size may round up to size
    return uint64_t(r * FIXED_ONE);
}

// A channel value kept within 0..255, in 16.16 fixed point with 0.5 added so that the
// integer part is the value rounded to nearest.
int32_t ChannelFixed(double c)
{
    if (!(c > 0)) c = 0;  // NaN too
    if (c > 255) c = 255;
    return int32_t(c * 65536.0 + 32768.0);
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

ColourWalk StartColourWalk(const Span& span)
{
    ColourWalk walk;
    for (int i = 0; i < 4; i++) {
        int32_t first = ChannelFixed(span.first[i]);
        int32_t last = ChannelFixed(span.last[i]);
        walk.value[i] = first;
        walk.step[i] = span.count > 1 ? (last - first) / (span.count - 1) : 0;
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

// Texels along one texture row (v does not change along the run).
void FetchAlongRow(const uint32_t* row, uint32_t column_mask, TexelWalk& walk, uint32_t* out, int n)
{
    uint64_t u = walk.u;
    const uint64_t du = walk.du;
    for (int k = 0; k < n; k++) {
        out[k] = row[uint32_t(u >> 32) & column_mask];
        u += du;
    }
    walk.u = u;
}

void FetchAnywhere(const RasterTexture& texture, TexelWalk& walk, uint32_t* out, int n)
{
    const uint32_t column_mask = uint32_t(texture.width - 1);
    const uint32_t row_mask = uint32_t(texture.height - 1);
    const uint32_t* texels = texture.texels;
    const size_t pitch = size_t(texture.pitch);
    uint64_t u = walk.u, v = walk.v;
    const uint64_t du = walk.du, dv = walk.dv;
    for (int k = 0; k < n; k++) {
        out[k] = texels[(uint32_t(v >> 32) & row_mask) * pitch + (uint32_t(u >> 32) & column_mask)];
        u += du;
        v += dv;
    }
    walk.u = u;
    walk.v = v;
}

// Texel times colour, byte by byte (each byte is one channel of one pixel). The products
// fit 16 bits, so the compiler can work on eight channels per vector instruction.
void ModulateByColours(uint32_t* texels, const uint32_t* colours, int n)
{
    uint8_t* t = reinterpret_cast<uint8_t*>(texels);
    const uint8_t* c = reinterpret_cast<const uint8_t*>(colours);
    for (int i = 0; i < 4 * n; i++) {
        uint16_t x = uint16_t(t[i] * c[i] + 128);
        t[i] = uint8_t((x + (x >> 8)) >> 8);
    }
}

void WriteReplace(uint32_t* dest, const uint32_t* source, int n)
{
    for (int k = 0; k < n; k++) dest[k] = source[k] & 0x00FFFFFF;
}

void WriteReplaceConstant(uint32_t* dest, uint32_t colour, int n)
{
    std::fill(dest, dest + n, colour & 0x00FFFFFF);
}

// Per-channel saturating add of the red, green and blue bytes: the sums of red and blue are
// formed side by side in one word (and green in another), and a carry out of a channel
// turns that channel into 255.
inline uint32_t AddSaturated(uint32_t s, uint32_t d)
{
    uint32_t red_blue = (s & 0x00FF00FF) + (d & 0x00FF00FF);
    uint32_t green = (s & 0x0000FF00) + (d & 0x0000FF00);
    uint32_t red_blue_carry = red_blue & 0x01000100;
    uint32_t green_carry = green & 0x00010000;
    red_blue |= red_blue_carry - (red_blue_carry >> 8);
    green |= green_carry - (green_carry >> 8);
    return (red_blue & 0x00FF00FF) | (green & 0x0000FF00);
}

void WriteAdd(uint32_t* dest, const uint32_t* source, int n)
{
    for (int k = 0; k < n; k++) dest[k] = AddSaturated(source[k], dest[k]);
}

void WriteAddConstant(uint32_t* dest, uint32_t colour, int n)
{
    for (int k = 0; k < n; k++) dest[k] = AddSaturated(colour, dest[k]);
}

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

enum WriteMode { WRITE_REPLACE, WRITE_ADD, WRITE_GENERAL };

WriteMode ChooseWriteMode(const RasterBlend& blend)
{
    if (!blend.enabled) return WRITE_REPLACE;
    if (blend.source == RASTER_BLEND_ONE && blend.destination == RASTER_BLEND_ONE) return WRITE_ADD;
    if (blend.source == RASTER_BLEND_ONE && blend.destination == RASTER_BLEND_ZERO)
        return WRITE_REPLACE;
    return WRITE_GENERAL;
}

void Write(WriteMode mode, const RasterBlend& blend, uint32_t* dest, const uint32_t* source, int n)
{
    switch (mode) {
    case WRITE_REPLACE: WriteReplace(dest, source, n); break;
    case WRITE_ADD: WriteAdd(dest, source, n); break;
    case WRITE_GENERAL: WriteBlended(dest, source, n, blend); break;
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

void DrawSpan(const SpanSource& source, const Span& span)
{
    if (span.count <= 0) return;
    const WriteMode mode = ChooseWriteMode(source.blend);
    ColourWalk colours = StartColourWalk(span);
    const uint32_t constant_colour = PackChannels(colours.value);

    // Untextured, one colour: nothing to compute per pixel.
    if (!source.texture && !source.colour_varies && mode != WRITE_GENERAL) {
        if (mode == WRITE_REPLACE)
            WriteReplaceConstant(span.dest, constant_colour, span.count);
        else
            WriteAddConstant(span.dest, constant_colour, span.count);
        return;
    }

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
    const uint32_t identity_mask = mode == WRITE_GENERAL ? 0xFFFFFFFF : 0x00FFFFFF;
    const bool modulate =
        source.colour_varies || (constant_colour & identity_mask) != identity_mask;

    // colour_buffer: the colour of each pixel of the chunk (filled once when constant).
    uint32_t colour_buffer[CHUNK];
    uint32_t shade_buffer[CHUNK];
    if (!source.colour_varies && (modulate || !source.texture)) {
        std::fill(colour_buffer, colour_buffer + std::min(CHUNK, span.count), constant_colour);
    }
    for (int done = 0; done < span.count; done += CHUNK) {
        const int n = std::min(CHUNK, span.count - done);
        uint32_t* dest = span.dest + done;
        if (source.colour_varies) WalkColours(colours, colour_buffer, n);
        if (!source.texture) {
            Write(mode, source.blend, dest, colour_buffer, n);
            continue;
        }
        if (texel_row) {
            FetchAlongRow(texel_row, uint32_t(source.texture->width - 1), texels, shade_buffer, n);
        } else {
            FetchAnywhere(*source.texture, texels, shade_buffer, n);
        }
        if (modulate) ModulateByColours(shade_buffer, colour_buffer, n);
        Write(mode, source.blend, dest, shade_buffer, n);
    }
}
