// The mixer's inner loops, one set per instruction set: mixing one voice over consecutive
// output frames, and converting the float mix to 16-bit PCM. Every set gives the same bytes:
// per output value the same IEEE operations in the same order (interpolation, weight and
// products in double, the sum rounded to float after the voice's addition, no fused
// multiply-add), and the conversion rounds to nearest, ties to even, then clips.
//
// The plain set is portable C++; the others exist only on x86 and may run only where the
// processor has their instructions (mixer_path.h chooses).
#pragma once

#include <cstdint>

// Mixes `frames` frames of one voice into `out` (interleaved stereo) at constant gains,
// starting at the 32.32 `position` and advancing it by `step` (two's complement for moving
// backward) after every frame. Returns the position after the last frame.
typedef uint64_t (*MixSteadyKernel)(float* out, int32_t frames, const int16_t* data,
                                    uint64_t position, uint64_t step, float left_gain,
                                    float right_gain);
// The same with gains that change every frame: frame k uses gains[2k] (left) and
// gains[2k + 1] (right).
typedef uint64_t (*MixGainsKernel)(float* out, int32_t frames, const int16_t* data,
                                   uint64_t position, uint64_t step, const float* gains);
// Converts `values` floats (twice the frames) to 16-bit PCM.
typedef void (*ConvertKernel)(int16_t* dst, const float* src, int64_t values);

struct MixerKernels {
    MixSteadyKernel mix_steady;
    MixGainsKernel mix_gains;
    ConvertKernel convert;
    bool advance_only = false;  // mixes nothing: only the positions the kernels return count
};

extern const MixerKernels PLAIN_KERNELS;
// Mixes nothing and converts nothing, but returns the positions every other set returns: the
// voices advance exactly as mixing advances them (mixer_path.h, SetAdvanceOnly).
extern const MixerKernels ADVANCE_KERNELS;
#if defined(__x86_64__) || defined(__i386__)
#define MIXER_X86_KERNELS 1
extern const MixerKernels SSE2_KERNELS;
extern const MixerKernels AVX2_KERNELS;
extern const MixerKernels AVX512_KERNELS;
// The SSE2 conversion, shared by the AVX2 set.
void ConvertSse2(int16_t* dst, const float* src, int64_t values);
#endif

// The plain loops, also used by the others for the frames left over after their last whole
// vector.
uint64_t MixSteadyPlain(float* out, int32_t frames, const int16_t* data, uint64_t position,
                        uint64_t step, float left_gain, float right_gain);
uint64_t MixGainsPlain(float* out, int32_t frames, const int16_t* data, uint64_t position,
                       uint64_t step, const float* gains);
void ConvertPlain(int16_t* dst, const float* src, int64_t values);
