// Which set of pixel loops (pixel_kernels.h) the rasteriser's pixel stage and the picture
// scaler run. At start-up the widest set this processor supports is chosen; tests and
// benchmarks may force any supported set to compare them. Every choice gives the same pixels.
#pragma once

#include <cstdint>

#include "platform/pixel_kernels.h"
#include "platform/processor_features.h"

enum class PixelPath : int32_t { PLAIN, SSE2, AVX2, AVX512 };
constexpr int32_t PIXEL_PATH_COUNT = 4;

// "plain", "sse2", "avx2" or "avx512".
const char* PixelPathName(PixelPath path);
// The instruction sets the path's code may use.
ProcessorFeatures PixelPathFeatures(PixelPath path);
// Whether this build has the path and a processor with `features` can run it.
bool PixelPathSupported(PixelPath path, ProcessorFeatures features = ThisProcessorFeatures());
// The widest path a processor with `features` supports.
PixelPath BestPixelPath(ProcessorFeatures features = ThisProcessorFeatures());

// Switches to `path`; false (and nothing changes) when this processor cannot run it. Call it
// only while nothing draws.
bool SelectPixelPath(PixelPath path);
PixelPath SelectedPixelPath();
const PixelKernels& SelectedPixelKernels();
