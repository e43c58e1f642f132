// The pixel loops of the rasteriser's pixel stage (d3d9_span.cpp) and of the picture scaler
// (sdl/picture_scale.cpp), one set per instruction set. Every set gives the same pixels: the
// same integer operations with the same rounding, only more pixels per instruction.
//
// The plain set is portable C++; the SSE2 set exists where the build targets SSE2 (x86, and
// WebAssembly through its SIMD translation of SSE2); the AVX2 and AVX-512 sets exist only on
// x86 and may run only where the processor has their instructions (pixel_path.h chooses).
#pragma once

#include <cstdint>

// How a run's pixels reach the target: written (the X byte 0), or added per colour byte
// with saturation (blending ONE/ONE).
enum PixelWrite { PIXEL_REPLACE, PIXEL_ADD, PIXEL_WRITE_COUNT };
// What the source pixels are multiplied by, per byte, rounded to nearest ((t × c + 127) / 255):
// nothing (the source as it is), one colour for the whole run, or a colour per pixel.
enum PixelShade { SHADE_NONE, SHADE_SAME, SHADE_EACH, PIXEL_SHADE_COUNT };

// Writes `n` pixels of `source` into `dest`, shaded by `colour` (SHADE_SAME) or `colours[k]`
// (SHADE_EACH); the unused one may be anything.
typedef void (*PixelRunKernel)(uint32_t* dest, const uint32_t* source, const uint32_t* colours,
                               uint32_t colour, int n);
// One destination row of the picture scaler from one source row: pixel x blends
// source[first[x]] and source[first[x] + 1] with weights 256 - weight[x] and weight[x], per
// colour byte, rounded; a weight of 0 takes source[first[x]] as it is.
typedef void (*ScaleRowKernel)(const int32_t* first, const uint32_t* weight, const uint32_t* source,
                               uint32_t* row, int width);
// Two scaled rows blended down with weights 256 - weight and weight.
typedef void (*BlendRowsKernel)(const uint32_t* upper, const uint32_t* lower, uint32_t weight,
                                uint32_t* out, int width);

struct PixelKernels {
    PixelRunKernel runs[PIXEL_WRITE_COUNT][PIXEL_SHADE_COUNT];
    ScaleRowKernel scale_row;
    BlendRowsKernel blend_rows;
};

extern const PixelKernels PLAIN_PIXEL_KERNELS;
#if defined(__SSE2__)
#define PIXEL_SSE2_KERNELS 1
extern const PixelKernels SSE2_PIXEL_KERNELS;
#endif
#if defined(__x86_64__) || defined(__i386__)
#define PIXEL_X86_WIDE_KERNELS 1
extern const PixelKernels AVX2_PIXEL_KERNELS;
extern const PixelKernels AVX512_PIXEL_KERNELS;
#endif

// The plain loops the others use for the pixels left over after their last whole vector,
// and the plain shading that keeps the alpha byte (for the general blend).
void ScaleRowPlain(const int32_t* first, const uint32_t* weight, const uint32_t* source,
                   uint32_t* row, int width);
void BlendRowsPlain(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
                    int width);
void ShadePixels(uint32_t* out, const uint32_t* source, const uint32_t* colours, uint32_t colour,
                 int n);
#ifdef PIXEL_X86_WIDE_KERNELS
// The AVX2 scaler, shared by the AVX-512 set.
void ScaleRowAvx2(const int32_t* first, const uint32_t* weight, const uint32_t* source,
                  uint32_t* row, int width);
void BlendRowsAvx2(const uint32_t* upper, const uint32_t* lower, uint32_t weight, uint32_t* out,
                   int width);
#endif
