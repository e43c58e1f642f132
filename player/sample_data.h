// Sample frame buffers: `frames` frames plus SAMPLE_SLACK_FRAMES zero frames after them and
// one zero frame before frame 0 (interpolation may read one frame on either side of a loop).
// The pointer returned points at frame 0; free it only with FreeSampleData.
#pragma once

#include <cstdint>

constexpr uint32_t SAMPLE_SLACK_FRAMES = 16;

int16_t* AllocateSampleData(uint32_t frames);
void FreeSampleData(int16_t* data);
