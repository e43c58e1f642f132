// Bilinear scaling of the 800 x 600 picture into the rectangle it is shown in, for the SDL
// host's display: 0x00RRGGBB pixels in and out, 8-bit weights, a colour that fills its
// surroundings kept exactly.
#pragma once

#include <cstdint>
#include <vector>

// Where each destination column (or row) takes its colour from: source index `first`, and
// the next one with weight `weight` of 256.
struct ScaleTaps {
    std::vector<int32_t> first;
    std::vector<uint32_t> weight;
};

struct PictureScale {
    int source_width = 0;
    int source_height = 0;
    int width = 0;
    int height = 0;
    ScaleTaps columns;
    ScaleTaps rows;
    std::vector<uint32_t> upper;  // the two source rows a destination row blends, scaled
    std::vector<uint32_t> lower;  // across
    int upper_row = -1;           // which source rows upper and lower hold, -1 none
    int lower_row = -1;
};

// Prepares `scale` for pictures of source_width x source_height shown at width x height.
void PreparePictureScale(PictureScale* scale, int source_width, int source_height, int width,
                         int height);
// Scales `source` (pitch in pixels) into `destination` (pitch in pixels).
void ScalePicture(PictureScale* scale, const uint32_t* source, int source_pitch,
                  uint32_t* destination, int destination_pitch);
