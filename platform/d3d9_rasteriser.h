// The software rasteriser behind the Direct3D 9 device: draws one pre-transformed triangle
// into a 32-bit X8R8G8B8 target, following Direct3D 9's rules for what the scene uses.
//
// What it guarantees:
//   - Coverage: pixel (px, py) is drawn when its centre, the integer point (px, py), lies
//     inside the triangle. A centre exactly on an edge is drawn only for a top edge (a
//     horizontal edge with the triangle below it) or a left edge (the triangle to its
//     right); so two triangles sharing an edge draw each pixel on it exactly once. Edge
//     tests are evaluated in double precision, which is exact for float vertex coordinates
//     of ordinary size (magnitude below about 2^13 with any fraction, or integers and halves
//     up to 2^24). Both windings are drawn (there is no culling in this subset).
//   - No clipping of geometry: each row's covered span is solved from the edge equations and
//     then limited to the target, so off-screen parts cost nothing and lose no precision.
//     Non-finite or degenerate triangles draw nothing; no input writes outside the target.
//   - Attributes (colour, u, v) are interpolated linearly in screen space; rhw is not used
//     (the system always passes 1).
//   - Texture: point sampling with wrap addressing, texel = floor(u × W) mod W and
//     floor(v × H) mod H. Per span, u and v step in 32.32 fixed point from an exact start
//     value; widths and heights are powers of two.
//   - Colour: each channel of the vertex colour is interpolated, rounded to the nearest
//     integer and kept within 0..255. With a texture the source is texel × colour per
//     channel (alpha too), rounded to nearest: (t × c + 127) / 255 in integers.
//   - Blending: off → dest = source. ONE/ONE → dest = min(255, source + dest) per channel.
//     Other factor pairs from ZERO, ONE, SRC_ALPHA, INV_SRC_ALPHA: dest = min(255,
//     (source × fs + dest × fd + 127) / 255) per channel with the factors as 0..255.
//   - The X byte of every written pixel is 0 (X8R8G8B8 keeps no alpha).
#pragma once

#include <cstdint>

// Fills a target was given and has not written yet (RasterFillLater): per row, up to
// PENDING_RUNS_PER_ROW runs of pixels [begin, end), sorted and apart, that still have to take
// `colour`. A triangle drawn over such pixels writes them instead of reading them (adding onto
// black is writing), so pixels that are drawn over are never filled at all.
const int PENDING_RUNS_PER_ROW = 6;
struct PendingRow {
    int count;
    int begin[PENDING_RUNS_PER_ROW];
    int end[PENDING_RUNS_PER_ROW];
};
struct PendingFill {
    uint32_t colour;   // X8R8G8B8, the X byte 0
    bool any;          // some row has a run
    PendingRow* rows;  // one per row of the target
};

struct RasterTarget {
    uint32_t* pixels;
    int width;
    int height;
    int pitch;             // in pixels
    PendingFill* pending;  // null: fills are written at once
};

struct RasterTexture {
    const uint32_t* texels;  // A8R8G8B8
    int width;               // a power of two
    int height;              // a power of two
    int pitch;               // in texels
    // Per row r, the texels [inked[2r], inked[2r + 1]) hold every texel that is not 0 (an empty
    // range: none), or null. Where a run over a pending black fill reads only 0 texels there,
    // its pixels stay pending: texel 0 times any colour is 0, and 0 written or added onto
    // black is black.
    const int32_t* inked;
};

struct RasterVertex {
    float x;
    float y;
    uint32_t diffuse;  // A8R8G8B8
    float u;
    float v;
};

enum RasterBlendFactor {
    RASTER_BLEND_ZERO,
    RASTER_BLEND_ONE,
    RASTER_BLEND_SRC_ALPHA,
    RASTER_BLEND_INV_SRC_ALPHA,
};

struct RasterBlend {
    bool enabled;
    RasterBlendFactor source;
    RasterBlendFactor destination;
};

// texture may be null: the source is then the vertex colour alone.
void RasterTriangle(const RasterTarget& target, const RasterTexture* texture, const RasterVertex& a,
                    const RasterVertex& b, const RasterVertex& c, const RasterBlend& blend);

// Fills the rectangle [x1, x2) × [y1, y2), limited to the target, with colour (X byte 0), at
// once.
void RasterFill(const RasterTarget& target, int x1, int y1, int x2, int y2, uint32_t colour);
// The same fill, left pending where the target keeps pending fills (the pixels then read as
// filled only after RasterFinishFills). Pending fills of another colour are written first.
void RasterFillLater(const RasterTarget& target, int x1, int y1, int x2, int y2, uint32_t colour);
// Writes every pending fill: call it before the target's pixels are read or written by anyone
// but the rasteriser.
void RasterFinishFills(const RasterTarget& target);
