// Bilinear scaling: each destination pixel's centre is mapped into the source, and the two
// nearest source columns and rows are blended, as a texture sampled with linear filtering.
// Rows are scaled across once and blended down; a destination row that falls on a source row
// (the window's 600 rows of a 600-row picture) is the scaled source row itself. Both steps
// are the chosen pixel loops (pixel_path.h).
#include "platform/sdl/picture_scale.h"

#include <cstddef>

#include "platform/pixel_path.h"

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
    const PixelKernels& kernels = SelectedPixelKernels();
    const int32_t* column_first = scale->columns.first.data();
    const uint32_t* column_weight = scale->columns.weight.data();
    auto scale_row = [&](int32_t row, uint32_t* out) {
        kernels.scale_row(column_first, column_weight,
                          source + static_cast<int64_t>(row) * source_pitch, out, width);
    };
    scale->upper_row = -1;
    scale->lower_row = -1;
    for (int y = 0; y < scale->height; y++) {
        const int32_t top = scale->rows.first[static_cast<size_t>(y)];
        const uint32_t weight = scale->rows.weight[static_cast<size_t>(y)];
        uint32_t* out = destination + static_cast<int64_t>(y) * destination_pitch;
        if (weight == 0 || weight == 256) {
            const int32_t row = weight == 0 ? top : top + 1;
            scale_row(row, out);
            continue;
        }
        // The two source rows, scaled across; reused by the next destination rows.
        if (scale->upper_row != top) {
            if (scale->lower_row == top) {
                scale->upper.swap(scale->lower);
                scale->lower_row = -1;
            } else {
                scale_row(top, scale->upper.data());
            }
            scale->upper_row = top;
        }
        if (scale->lower_row != top + 1) {
            scale_row(top + 1, scale->lower.data());
            scale->lower_row = top + 1;
        }
        kernels.blend_rows(scale->upper.data(), scale->lower.data(), weight, out, width);
    }
}
