// The kernel set of a walk through the song: every voice moves exactly as mixing moves it,
// nothing is added and nothing converted.
//
// Every other set returns the position after `frames` steps of 64-bit addition, which is
// position + frames × step modulo 2^64; the boundary counts, loop wraps, ping-pong
// reflections, voice ends and ramp gains around the kernels are computed by the mixer itself
// whichever set runs. So the voices, the channels and the song stand after a walk exactly
// where they stand after mixing the same frames.
#include "player/mixer_kernels.h"

namespace {

uint64_t AdvanceSteady(float*, int32_t frames, const int16_t*, uint64_t position, uint64_t step,
                       float, float)
{
    return position + static_cast<uint64_t>(frames) * step;
}

uint64_t AdvanceWithGains(float*, int32_t frames, const int16_t*, uint64_t position,
                          uint64_t step, const float*)
{
    return position + static_cast<uint64_t>(frames) * step;
}

void ConvertNothing(int16_t*, const float*, int64_t) {}

}  // namespace

const MixerKernels ADVANCE_KERNELS = {AdvanceSteady, AdvanceWithGains, ConvertNothing, true};
