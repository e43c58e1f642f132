// The pixel loops in portable C++, one pixel at a time: the reference the other sets match,
// and what runs where no vector set does.
#include "platform/pixel_kernels.h"

namespace {

const uint32_t COLOUR_BYTES = 0x00FFFFFF;  // X8R8G8B8: the X byte written is always 0

// One byte of texel times colour, rounded to nearest: (t × c + 127) / 255, formed as
// (x + (x >> 8)) >> 8 with x = t × c + 128, which is exact for 8-bit t and c.
inline uint32_t ModulateByte(uint32_t t, uint32_t c)
{
    const uint32_t x = t * c + 128;
    return (x + (x >> 8)) >> 8;
}

// Texel times colour per byte, alpha too.
inline uint32_t Modulate(uint32_t texel, uint32_t colour)
{
    return ModulateByte(texel & 0xFF, colour & 0xFF) |
           ModulateByte(texel >> 8 & 0xFF, colour >> 8 & 0xFF) << 8 |
           ModulateByte(texel >> 16 & 0xFF, colour >> 16 & 0xFF) << 16 |
           ModulateByte(texel >> 24, colour >> 24) << 24;
}

// Per-byte saturating add of the red, green and blue bytes: the sums of red and blue are
// formed side by side in one word (and green in another), and a carry out of a byte turns
// that byte into 255.
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

template <PixelWrite write, PixelShade shade>
void Run(uint32_t* dest, const uint32_t* source, const uint32_t* colours, uint32_t colour, int n)
{
    for (int k = 0; k < n; k++) {
        uint32_t s = source[k];
        if constexpr (shade == SHADE_SAME) s = Modulate(s, colour);
        if constexpr (shade == SHADE_EACH) s = Modulate(s, colours[k]);
        dest[k] = write == PIXEL_ADD ? AddSaturated(s, dest[k]) : s & COLOUR_BYTES;
    }
}

// a and b weighted 256 - w and w, per colour byte, rounded.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t w)
{
    uint32_t red_blue = ((a & 0xFF00FF) * (256 - w) + (b & 0xFF00FF) * w + 0x800080) >> 8;
    uint32_t green = ((a & 0xFF00) * (256 - w) + (b & 0xFF00) * w + 0x8000) >> 8;
    return (red_blue & 0xFF00FF) | (green & 0xFF00);
}

}  // namespace

void ScaleRowPlain(const int32_t* first, const uint32_t* weight, const uint32_t* source,
                   uint32_t* row, int width)
{
    for (int x = 0; x < width; x++) {
        const uint32_t* at = source + first[x];
        row[x] = weight[x] ? Blend(at[0], at[1], weight[x]) : at[0];
    }
}

void BlendRowsPlain(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
                    int width)
{
    for (int x = 0; x < width; x++) out[x] = Blend(upper[x], lower[x], weight);
}

void ShadePixels(uint32_t* out, const uint32_t* source, const uint32_t* colours, uint32_t colour,
                 int n)
{
    for (int k = 0; k < n; k++) out[k] = Modulate(source[k], colours ? colours[k] : colour);
}

const PixelKernels PLAIN_PIXEL_KERNELS = {
    {{Run<PIXEL_REPLACE, SHADE_NONE>, Run<PIXEL_REPLACE, SHADE_SAME>,
      Run<PIXEL_REPLACE, SHADE_EACH>},
     {Run<PIXEL_ADD, SHADE_NONE>, Run<PIXEL_ADD, SHADE_SAME>, Run<PIXEL_ADD, SHADE_EACH>}},
    ScaleRowPlain,
    BlendRowsPlain,
};
