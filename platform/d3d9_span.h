// The pixel stage of the rasteriser: shades and writes one horizontal run of covered pixels.
// The triangle stage (d3d9_rasteriser.cpp) finds the runs and the attribute values at their
// ends; this stage samples the texture, modulates by the vertex colour and blends.
#pragma once

#include <cstdint>

#include "platform/d3d9_rasteriser.h"

// What stays the same for every run of one triangle.
struct SpanSource {
    const RasterTexture* texture;  // null: the vertex colour alone
    bool colour_varies;            // false: the colour is the same along every run
    RasterBlend blend;
    uint64_t du;  // texel steps per pixel along x, from TexelStep
    uint64_t dv;
};

// A per-pixel change of a texel coordinate as the 32.32 fixed-point step the runs use.
uint64_t TexelStep(double d, int size);

// One run of `count` pixels starting at `dest` (column `x` of its row), left to right.
struct Span {
    uint32_t* dest;
    int x;
    int count;
    const PendingRow* pending;  // the row's pending fills, or null
    uint32_t pending_colour;
    double u;         // texel column coordinate (u × width) at the first pixel
    double v;         // texel row coordinate (v × height) at the first pixel
    double first[4];  // colour channels blue, green, red, alpha at the first pixel
    double last[4];   // ... at the last pixel (set and used only when the colour varies)
};

// The columns [begin, end) of a row a run has drawn.
struct DrawnColumns {
    int begin;
    int end;
};

// Pixels of the run under a pending fill are drawn as if filled; the caller then takes the
// columns drawn out of the pending fills (TakeOutOfPending). Those left out at either end of
// the run stay under the pending fill, which gives them their pixels.
DrawnColumns DrawSpan(const SpanSource& source, const Span& span);
// Takes the pixels [begin, end) out of the row's pending fills; when a run split in two does
// not fit, its right part is filled at once into `row_pixels`.
void TakeOutOfPending(PendingRow* row, int begin, int end, uint32_t colour, uint32_t* row_pixels);
