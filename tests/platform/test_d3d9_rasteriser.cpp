// The rasteriser on its own: which pixels a triangle covers, what colour they get, and that
// no input writes outside the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "platform/d3d9_rasteriser.h"

namespace {

const uint32_t GUARD = 0xDEADBEEF;

// A target inside a larger allocation: padded rows and guard rows above and below, all
// filled with GUARD, so a write outside the target shows.
struct Canvas {
    int width, height, pitch;
    std::vector<uint32_t> memory;

    Canvas(int w, int h, int padding = 5) : width(w), height(h), pitch(w + padding)
    {
        memory.assign(size_t(pitch) * size_t(h + 2), GUARD);
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) At(x, y) = 0;
        }
    }
    RasterTarget Target()
    {
        return RasterTarget{memory.data() + pitch, width, height, pitch, nullptr};
    }
    uint32_t& At(int x, int y) { return memory[size_t(y + 1) * size_t(pitch) + size_t(x)]; }
    bool GuardsIntact() const
    {
        for (size_t i = 0; i < memory.size(); i++) {
            long row = long(i / size_t(pitch)) - 1;
            long column = long(i % size_t(pitch));
            bool inside = row >= 0 && row < height && column < width;
            if (!inside && memory[i] != GUARD) return false;
        }
        return true;
    }
    int Count(uint32_t value)
    {
        int n = 0;
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) n += At(x, y) == value;
        }
        return n;
    }
};

const RasterBlend NO_BLEND = {false, RASTER_BLEND_ONE, RASTER_BLEND_ZERO};
const RasterBlend ADD = {true, RASTER_BLEND_ONE, RASTER_BLEND_ONE};

RasterVertex V(float x, float y, uint32_t colour = 0xFFFFFF, float u = 0, float v = 0)
{
    return RasterVertex{x, y, colour, u, v};
}

// A quad as the device draws it: a fan top-left, top-right, bottom-right, bottom-left.
void Quad(Canvas& canvas, const RasterTexture* texture, float x0, float y0, float x1, float y1,
          uint32_t colour, const RasterBlend& blend, float u0 = 0, float v0 = 0, float u1 = 1,
          float v1 = 1)
{
    RasterVertex tl = V(x0, y0, colour, u0, v0), tr = V(x1, y0, colour, u1, v0);
    RasterVertex br = V(x1, y1, colour, u1, v1), bl = V(x0, y1, colour, u0, v1);
    RasterTriangle(canvas.Target(), texture, tl, tr, br, blend);
    RasterTriangle(canvas.Target(), texture, tl, br, bl, blend);
}

// Expects exactly the pixels of [x0, x1) x [y0, y1) to hold `inside`, all others 0.
void ExpectRectangle(Canvas& canvas, int x0, int y0, int x1, int y1, uint32_t inside)
{
    for (int y = 0; y < canvas.height; y++) {
        for (int x = 0; x < canvas.width; x++) {
            bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
            ASSERT_EQ(canvas.At(x, y), in ? inside : 0u) << "pixel " << x << "," << y;
        }
    }
    EXPECT_TRUE(canvas.GuardsIntact());
}

struct Texture {
    int width, height, pitch;
    std::vector<uint32_t> texels;
    Texture(int w, int h, int padding = 3) : width(w), height(h), pitch(w + padding)
    {
        texels.assign(size_t(pitch) * size_t(h), 0xFFFFFFFF);  // padding texels show up white
    }
    uint32_t& At(int x, int y) { return texels[size_t(y) * size_t(pitch) + size_t(x)]; }
    RasterTexture View() const
    {
        return RasterTexture{texels.data(), width, height, pitch, nullptr};
    }
};

// Texel (x, y) = 0x00XXYY00: every texel names itself.
Texture NamedTexels(int w, int h)
{
    Texture t(w, h);
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) t.At(x, y) = uint32_t(x) << 16 | uint32_t(y) << 8;
    }
    return t;
}

}  // namespace

// ---- Coverage ----------------------------------------------------------------------------

TEST(RasterCoverage, IntegerQuadCoversItsTopLeftPixelsOnce)
{
    Canvas canvas(32, 32);
    Quad(canvas, nullptr, 10, 10, 20, 20, 0x010203, ADD);
    ExpectRectangle(canvas, 10, 10, 20, 20, 0x010203);  // each pixel added exactly once
}

TEST(RasterCoverage, EitherWindingCoversTheSamePixels)
{
    Canvas canvas(32, 32);
    RasterVertex tl = V(10, 10, 0x010101), tr = V(20, 10, 0x010101);
    RasterVertex br = V(20, 20, 0x010101), bl = V(10, 20, 0x010101);
    RasterTriangle(canvas.Target(), nullptr, tl, bl, br, ADD);  // counter-clockwise on screen
    RasterTriangle(canvas.Target(), nullptr, tl, br, tr, ADD);
    ExpectRectangle(canvas, 10, 10, 20, 20, 0x010101);
}

TEST(RasterCoverage, HalfPixelOffsetsMoveTheCoveredPixels)
{
    Canvas a(32, 32);
    Quad(a, nullptr, 10.5f, 10.5f, 20.5f, 20.5f, 0x0000FF, NO_BLEND);
    ExpectRectangle(a, 11, 11, 21, 21, 0x0000FF);

    Canvas b(32, 32);
    Quad(b, nullptr, 9.5f, 9.5f, 10.5f, 10.5f, 0x0000FF, NO_BLEND);  // one pixel centre inside
    ExpectRectangle(b, 10, 10, 11, 11, 0x0000FF);

    Canvas c(32, 32);
    Quad(c, nullptr, 10.2f, 10.2f, 10.8f, 10.8f, 0x0000FF, NO_BLEND);  // no centre inside
    ExpectRectangle(c, 0, 0, 0, 0, 0);
}

TEST(RasterCoverage, DiagonalEdgeBelongsToTheTriangleOnItsRight)
{
    // Right triangle with its hypotenuse on x + y = 10: centres on the top (y = 0) and left
    // (x = 0) edges are drawn, those on the hypotenuse (a right edge here) are not.
    Canvas canvas(16, 16);
    RasterTriangle(canvas.Target(), nullptr, V(0, 0, 1), V(10, 0, 1), V(0, 10, 1), ADD);
    for (int y = 0; y < 16; y++) {
        for (int x = 0; x < 16; x++) {
            EXPECT_EQ(canvas.At(x, y), x + y < 10 ? 1u : 0u) << x << "," << y;
        }
    }
    // The other half of the square takes the hypotenuse: together each pixel once.
    RasterTriangle(canvas.Target(), nullptr, V(10, 0, 1), V(10, 10, 1), V(0, 10, 1), ADD);
    ExpectRectangle(canvas, 0, 0, 10, 10, 1);
}

TEST(RasterCoverage, FanAroundAnOffGridCentreDrawsEveryPixelOnce)
{
    // Twelve triangles sharing a centre and slanted edges through many exact pixel centres.
    Canvas canvas(64, 64);
    const float cx = 31.5f, cy = 30.25f;
    const float ring[12][2] = {{31.5f, 2},  {47, 6},  {58, 18}, {60, 30.25f}, {56, 44}, {45, 56},
                               {31.5f, 60}, {16, 56}, {6, 46},  {2, 30.25f},  {6, 14},  {18, 4}};
    for (int i = 0; i < 12; i++) {
        const float* p = ring[i];
        const float* q = ring[(i + 1) % 12];
        RasterTriangle(canvas.Target(), nullptr, V(cx, cy, 1), V(p[0], p[1], 1), V(q[0], q[1], 1),
                       ADD);
    }
    EXPECT_EQ(canvas.Count(2), 0);
    EXPECT_GT(canvas.Count(1), 2500);
    EXPECT_EQ(canvas.At(31, 30), 1u);
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(RasterCoverage, TurnedAndScaledQuadCoversTheWholeScreenOnce)
{
    // The page at its largest: 512 x 512 scaled 9.4 and turned 4.65 rad about (400, 310).
    Canvas canvas(800, 600);
    const double a = 4.65, s = 9.4;
    const double corners[4][2] = {{-256, -256}, {256, -256}, {256, 256}, {-256, 256}};
    RasterVertex v[4];
    for (int i = 0; i < 4; i++) {
        double dx = corners[i][0], dy = corners[i][1];
        v[i] = V(float(400 + s * (dx * std::cos(a) + dy * std::sin(a))),
                 float(310 + s * (dy * std::cos(a) - dx * std::sin(a))), 0x010101);
    }
    RasterTriangle(canvas.Target(), nullptr, v[0], v[1], v[2], ADD);
    RasterTriangle(canvas.Target(), nullptr, v[0], v[2], v[3], ADD);
    EXPECT_EQ(canvas.Count(0x010101), 800 * 600);
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(RasterCoverage, OffScreenPartsAreClippedExactly)
{
    Canvas canvas(32, 24);
    Quad(canvas, nullptr, -10, -7, 5, 3, 0x00FF00, ADD);
    Quad(canvas, nullptr, 28.5f, 20.5f, 40, 40, 0x00FF00, ADD);
    for (int y = 0; y < 24; y++) {
        for (int x = 0; x < 32; x++) {
            bool in = (x < 5 && y < 3) || (x >= 29 && y >= 21);
            ASSERT_EQ(canvas.At(x, y), in ? 0x00FF00u : 0u) << x << "," << y;
        }
    }
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST(RasterCoverage, HugeDegenerateAndNonFiniteTrianglesStayInside)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float big = 3e38f;
    Canvas canvas(40, 30);
    RasterTarget t = canvas.Target();
    Texture texture = NamedTexels(8, 8);
    RasterTexture view = texture.View();
    // Nothing drawn: not finite, no area, entirely off the target.
    RasterTriangle(t, &view, V(nan, 0), V(10, 0), V(0, 10), NO_BLEND);
    RasterTriangle(t, &view, V(0, 0), V(inf, 0), V(0, 10), NO_BLEND);
    RasterTriangle(t, &view, V(0, 0), V(10, 10), V(20, 20), NO_BLEND);
    RasterTriangle(t, &view, V(-100, -100), V(-50, -100), V(-50, -50), NO_BLEND);
    RasterTriangle(t, &view, V(0, 100), V(50, 100), V(50, 150), NO_BLEND);
    EXPECT_EQ(canvas.Count(0), 40 * 30);
    // Huge but finite: covers everything, with any texture coordinates.
    RasterTriangle(t, &view, V(-big, -big, 0xFFFFFF, nan, -big), V(big, -big, 0xFFFFFF, big, inf),
                   V(0, big, 0xFFFFFF, 1e30f, -1e30f), ADD);
    RasterTriangle(t, &view, V(-1e7f, -1e7f, 0xFFFFFF, 0.5f, 0.5f), V(1e7f, 0, 0xFFFFFF, 1e9f, -3),
                   V(-1e7f, 1e7f, 0xFFFFFF, -1e9f, 7), ADD);
    // A sliver thinner than a pixel across the target.
    RasterTriangle(t, &view, V(-5, 10), V(45, 10.001f), V(-5, 10.002f), NO_BLEND);
    EXPECT_TRUE(canvas.GuardsIntact());
}

// ---- Texture sampling --------------------------------------------------------------------

TEST(RasterSampling, OneTexelPerPixelPicksTheTexelUnderEachCentre)
{
    Texture texture = NamedTexels(8, 4);
    RasterTexture view = texture.View();
    Canvas canvas(16, 8);
    Quad(canvas, &view, 3, 2, 11, 6, 0xFFFFFF, NO_BLEND);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 16; x++) {
            bool in = x >= 3 && x < 11 && y >= 2 && y < 6;
            ASSERT_EQ(canvas.At(x, y), in ? texture.At(x - 3, y - 2) : 0u) << x << "," << y;
        }
    }
}

TEST(RasterSampling, MagnifiedTexelsAreFloorOfUTimesWidth)
{
    // 4 x 4 texels over 8 x 8 pixels: pixel centre x maps to u × 4 = x / 2 exactly.
    Texture texture = NamedTexels(4, 4);
    RasterTexture view = texture.View();
    Canvas canvas(8, 8);
    Quad(canvas, &view, 0, 0, 8, 8, 0xFFFFFF, NO_BLEND);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) ASSERT_EQ(canvas.At(x, y), texture.At(x / 2, y / 2));
    }
}

TEST(RasterSampling, CoordinatesWrapBeyondOneAndBelowZero)
{
    Texture texture = NamedTexels(4, 4);
    RasterTexture view = texture.View();
    Canvas canvas(8, 4);
    // u from 0 to 2 over 8 pixels, v from -1 to 0 over 4: texel (x mod 4, y).
    Quad(canvas, &view, 0, 0, 8, 4, 0xFFFFFF, NO_BLEND, 0, -1, 2, 0);
    for (int y = 0; y < 4; y++) {
        for (int x = 0; x < 8; x++)
            ASSERT_EQ(canvas.At(x, y), texture.At(x % 4, y)) << x << "," << y;
    }
    // u × 4 = x − 0.5: the first centre lies left of texel 0 and takes texel 3.
    Canvas shifted(4, 1);
    Quad(shifted, &view, 0, 0, 4, 1, 0xFFFFFF, NO_BLEND, -0.125f, 0, 0.875f, 0.25f);
    EXPECT_EQ(shifted.At(0, 0), texture.At(3, 0));
    EXPECT_EQ(shifted.At(1, 0), texture.At(0, 0));
    EXPECT_EQ(shifted.At(3, 0), texture.At(2, 0));
}

TEST(RasterSampling, RotatedMappingReadsColumnsAsRows)
{
    // A quad whose u runs down and v runs across: pixel (x, y) shows texel (y, x).
    Texture texture = NamedTexels(8, 8);
    RasterTexture view = texture.View();
    Canvas canvas(8, 8);
    RasterVertex tl = V(0, 0, 0xFFFFFF, 0, 0), tr = V(8, 0, 0xFFFFFF, 0, 1);
    RasterVertex br = V(8, 8, 0xFFFFFF, 1, 1), bl = V(0, 8, 0xFFFFFF, 1, 0);
    RasterTriangle(canvas.Target(), &view, tl, tr, br, NO_BLEND);
    RasterTriangle(canvas.Target(), &view, tl, br, bl, NO_BLEND);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) ASSERT_EQ(canvas.At(x, y), texture.At(y, x));
    }
}

// ---- Colour: modulation, interpolation, blending -----------------------------------------

TEST(RasterColour, TexelTimesDiffuseRoundsToNearest)
{
    Texture texture(1, 1);
    texture.At(0, 0) = 0x00FF8040;
    RasterTexture view = texture.View();
    Canvas canvas(2, 1);
    Quad(canvas, &view, 0, 0, 1, 1, 0x00808080, NO_BLEND);
    // 255·128/255 = 128, 128·128/255 = 64.25, 64·128/255 = 32.13
    EXPECT_EQ(canvas.At(0, 0), 0x00804020u);

    texture.At(0, 0) = 0x00010101;
    Quad(canvas, &view, 0, 0, 1, 1, 0x00807F00, NO_BLEND);  // 0.502 → 1, 0.498 → 0, 0
    EXPECT_EQ(canvas.At(0, 0), 0x00010000u);

    texture.At(0, 0) = 0xFF123456;  // white keeps the texel; the X byte is never written
    Quad(canvas, &view, 0, 0, 1, 1, 0xFFFFFFFF, NO_BLEND);
    EXPECT_EQ(canvas.At(0, 0), 0x00123456u);
    EXPECT_EQ(canvas.At(1, 0), 0u);
}

TEST(RasterColour, NoTextureDrawsTheInterpolatedDiffuse)
{
    // Grey at the top, reddish at the bottom, as the bubbles: red 0x80 → 0xF0 over 64 rows.
    Canvas canvas(64, 64);
    RasterVertex tl = V(0, 0, 0x808080), tr = V(64, 0, 0x808080);
    RasterVertex br = V(64, 64, 0xF08080), bl = V(0, 64, 0xF08080);
    RasterTriangle(canvas.Target(), nullptr, tl, tr, br, NO_BLEND);
    RasterTriangle(canvas.Target(), nullptr, tl, br, bl, NO_BLEND);
    for (int x : {0, 17, 63}) {
        EXPECT_EQ(canvas.At(x, 0), 0x808080u);
        EXPECT_EQ(canvas.At(x, 32), 0xB88080u);  // 128 + 112 · 32/64
        EXPECT_EQ(canvas.At(x, 63), 0xEE8080u);  // 128 + 112 · 63/64 = 238.25
    }
    // Along a row: blue 0 → 255 from x = 0 to x = 255, one step per pixel.
    Canvas row(256, 2);
    RasterTriangle(row.Target(), nullptr, V(0, 0, 0x000000), V(255, 0, 0x0000FF), V(0, 255, 0),
                   NO_BLEND);
    for (int x = 0; x < 255; x++) ASSERT_EQ(row.At(x, 0), uint32_t(x)) << x;
}

TEST(RasterColour, AdditiveBlendSaturatesEachChannel)
{
    Canvas canvas(4, 1);
    canvas.At(0, 0) = 0x00F01008;
    canvas.At(1, 0) = 0x00FFFFFF;
    canvas.At(2, 0) = 0x00000000;
    Quad(canvas, nullptr, 0, 0, 3, 1, 0x00200808, ADD);
    EXPECT_EQ(canvas.At(0, 0), 0x00FF1810u);
    EXPECT_EQ(canvas.At(1, 0), 0x00FFFFFFu);
    EXPECT_EQ(canvas.At(2, 0), 0x00200808u);
    EXPECT_EQ(canvas.At(3, 0), 0u);

    // Textured and with a varying colour, the sums saturate the same way.
    Texture texture(2, 2);
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 2; x++) texture.At(x, y) = 0x00C0C0C0;
    }
    RasterTexture view = texture.View();
    Canvas lit(8, 8);
    for (int y = 0; y < 8; y++) {
        for (int x = 0; x < 8; x++) lit.At(x, y) = 0x00808080;
    }
    RasterTriangle(lit.Target(), &view, V(0, 0, 0xFFFFFF), V(8, 0, 0x000000), V(0, 8, 0xFFFFFF),
                   ADD);
    EXPECT_EQ(lit.At(0, 0), 0x00FFFFFFu);  // 0x80 + 0xC0 saturates
    EXPECT_EQ(lit.At(4, 0), 0x00E0E0E0u);  // colour 127.5 → 128; 0xC0·128/255 = 96.4 → 96
}

TEST(RasterColour, RunsOfEveryLengthWrapModulateAndAddTexelByTexel)
{
    // One texel per pixel along a row, starting at every column of an 8-texel row and
    // running 1 to 19 pixels (across its end, where it wraps): each pixel is the texel under
    // it times the colour, rounded, and then added to the target or written over it.
    Texture texture(8, 1);
    for (int x = 0; x < 8; x++)
        texture.At(x, 0) = 0x01000000u * uint32_t(x * 31) + 0x00F0A050u - uint32_t(x) * 0x00131F07u;
    RasterTexture view = texture.View();
    const uint32_t colour = 0x00C08040, background = 0x00507090;
    auto channel = [](uint32_t value, int shift) { return value >> shift & 0xFF; };
    for (const RasterBlend& blend : {ADD, NO_BLEND}) {
        for (int offset = 0; offset < 8; offset++) {
            for (int length = 1; length < 20; length++) {
                Canvas canvas(24, 1);
                for (int x = 0; x < 24; x++) canvas.At(x, 0) = background;
                Quad(canvas, &view, 2, 0, float(2 + length), 1, colour, blend, offset / 8.0f, 0,
                     (offset + length) / 8.0f, 1);
                for (int x = 0; x < 24; x++) {
                    uint32_t expected = background;
                    if (x >= 2 && x < 2 + length) {
                        const uint32_t texel = texture.At((offset + x - 2) % 8, 0);
                        expected = 0;
                        for (int shift = 0; shift < 24; shift += 8) {
                            uint32_t shaded =
                                (channel(texel, shift) * channel(colour, shift) + 127) / 255;
                            if (blend.enabled)
                                shaded = std::min(255u, shaded + channel(background, shift));
                            expected |= shaded << shift;
                        }
                    }
                    ASSERT_EQ(canvas.At(x, 0), expected)
                        << "offset " << offset << ", length " << length << ", pixel " << x;
                }
                ASSERT_TRUE(canvas.GuardsIntact());
            }
        }
    }
}

TEST(RasterColour, OtherBlendFactorsMixBySourceAlpha)
{
    Canvas canvas(1, 1);
    canvas.At(0, 0) = 0x00000000;
    const RasterBlend over = {true, RASTER_BLEND_SRC_ALPHA, RASTER_BLEND_INV_SRC_ALPHA};
    Quad(canvas, nullptr, 0, 0, 1, 1, 0x80FF0000, over);  // half of red over black
    EXPECT_EQ(canvas.At(0, 0), 0x00800000u);
    const RasterBlend keep = {true, RASTER_BLEND_ZERO, RASTER_BLEND_ONE};
    Quad(canvas, nullptr, 0, 0, 1, 1, 0x0000FF00, keep);
    EXPECT_EQ(canvas.At(0, 0), 0x00800000u);
}

TEST(RasterFill, FillsOnlyTheRectangleInsideTheTarget)
{
    Canvas canvas(10, 6);
    RasterFill(canvas.Target(), -5, 2, 3, 100, 0xFF123456);
    for (int y = 0; y < 6; y++) {
        for (int x = 0; x < 10; x++) {
            ASSERT_EQ(canvas.At(x, y), (x < 3 && y >= 2) ? 0x00123456u : 0u);
        }
    }
    EXPECT_TRUE(canvas.GuardsIntact());
}

// Fills left pending and drawn over give the pixels of fills written at once: random fills
// (black and coloured, overlapping, partly outside), random triangles with every way of
// blending, textured or not, rectangles reading a texture with blank ends one texel per pixel,
// and columns that cut a row into more runs than it keeps, on two canvases alike.
TEST(RasterFill, PendingFillsEndAsFillsWrittenAtOnce)
{
    std::mt19937 rng(5);
    auto below = [&](int n) { return int(rng() % uint32_t(n)); };
    const RasterBlend blends[] = {
        NO_BLEND, ADD, {true, RASTER_BLEND_SRC_ALPHA, RASTER_BLEND_INV_SRC_ALPHA}};
    const Texture texture = NamedTexels(16, 16);
    const RasterTexture view = texture.View();
    // Texels of 0 before and after the ink of each row (some rows blank), the ink's columns
    // given: where a run reads only 0 texels over a pending black fill, it leaves it pending.
    Texture sparse(16, 16);
    std::vector<int32_t> ink(32);
    for (int y = 0; y < 16; y++) {
        const int first = below(17), end = y % 5 == 0 ? first : first + below(17 - first);
        for (int x = 0; x < 16; x++) {
            sparse.At(x, y) = x >= first && x < end ? uint32_t(rng()) | 0x010101u : 0u;
        }
        ink[size_t(2 * y)] = first;
        ink[size_t(2 * y + 1)] = end;
    }
    RasterTexture sparse_view = sparse.View();
    sparse_view.inked = ink.data();
    for (int round = 0; round < 60; round++) {
        SCOPED_TRACE(round);
        Canvas at_once(37, 23), later(37, 23);
        std::vector<PendingRow> rows(23);
        PendingFill pending = {0, false, rows.data()};
        RasterTarget pending_target = later.Target();
        pending_target.pending = &pending;
        for (int y = 0; y < 23; y++) {  // what a fill left undone would show
            for (int x = 0; x < 37; x++) at_once.At(x, y) = later.At(x, y) = rng() & 0xFFFFFF;
        }
        for (int step = 0; step < 60; step++) {
            if (below(4) == 0) {
                const int x1 = below(45) - 4, y1 = below(27) - 2;
                const int x2 = x1 + below(20), y2 = y1 + below(12);
                const uint32_t colour = below(3) == 0 ? uint32_t(rng()) : 0;
                RasterFill(at_once.Target(), x1, y1, x2, y2, colour);
                RasterFillLater(pending_target, x1, y1, x2, y2, colour);
                continue;
            }
            if (below(3) == 0) {  // one texel per pixel along the rows of the sparse texture
                const float x = float(below(45) - 4), y = float(below(27) - 2);
                const float w = float(below(20)), h = float(below(12));
                const float u = float(below(16)) / 16, v = float(below(16)) / 16;
                const uint32_t colour = below(2) ? 0xFFFFFFFF : uint32_t(rng());
                const RasterBlend& blend = blends[below(3)];
                const RasterVertex corners[4] = {V(x, y, colour, u, v),
                                                 V(x + w, y, colour, u + w / 16, v),
                                                 V(x + w, y + h, colour, u + w / 16, v + h / 16),
                                                 V(x, y + h, colour, u, v + h / 16)};
                for (const RasterTarget& t : {at_once.Target(), pending_target}) {
                    RasterTriangle(t, &sparse_view, corners[0], corners[1], corners[2], blend);
                    RasterTriangle(t, &sparse_view, corners[0], corners[2], corners[3], blend);
                }
                continue;
            }
            if (below(2) == 0) {  // a column one pixel wide splits the rows' runs
                const float x = float(below(37));
                const uint32_t colour = uint32_t(rng());
                const RasterBlend& blend = blends[below(3)];
                const RasterVertex corners[4] = {V(x, -1, colour), V(x + 1, -1, colour),
                                                 V(x + 1, 30, colour), V(x, 30, colour)};
                for (const RasterTarget& t : {at_once.Target(), pending_target}) {
                    RasterTriangle(t, nullptr, corners[0], corners[1], corners[2], blend);
                    RasterTriangle(t, nullptr, corners[0], corners[2], corners[3], blend);
                }
                continue;
            }
            RasterVertex a = V(float(below(45) - 4), float(below(27) - 2), uint32_t(rng()),
                               float(below(9)) / 4, float(below(9)) / 4);
            RasterVertex b = a, c = a;
            b.x += float(below(30) - 10) + 0.5f;
            b.diffuse = below(2) ? a.diffuse : uint32_t(rng());
            b.u = float(below(9)) / 4;
            c.y += float(below(20) - 5) + 0.25f;
            c.v = float(below(9)) / 4;
            const RasterTexture* textured = below(2) ? &view : nullptr;
            const RasterBlend& blend = blends[below(3)];
            RasterTriangle(at_once.Target(), textured, a, b, c, blend);
            RasterTriangle(pending_target, textured, a, b, c, blend);
        }
        RasterFinishFills(pending_target);
        ASSERT_EQ(later.memory, at_once.memory);
    }
}
