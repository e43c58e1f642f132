// The choice of the pixel loops: the widest set this processor runs, unless a test or
// benchmark asks for another.
#include "platform/pixel_path.h"

namespace {

const PixelKernels* KernelsOf(PixelPath path)
{
    switch (path) {
#ifdef PIXEL_SSE2_KERNELS
    case PixelPath::SSE2: return &SSE2_PIXEL_KERNELS;
#endif
#ifdef PIXEL_X86_WIDE_KERNELS
    case PixelPath::AVX2: return &AVX2_PIXEL_KERNELS;
    case PixelPath::AVX512: return &AVX512_PIXEL_KERNELS;
#endif
    case PixelPath::PLAIN: return &PLAIN_PIXEL_KERNELS;
    default: return nullptr;  // not in this build
    }
}

struct PixelChoice {
    PixelPath path;
    const PixelKernels* kernels;
};

PixelChoice StartingChoice()
{
    const PixelPath best = BestPixelPath();
    return PixelChoice{best, KernelsOf(best)};
}

PixelChoice choice = StartingChoice();

}  // namespace

const char* PixelPathName(PixelPath path)
{
    switch (path) {
    case PixelPath::PLAIN: return "plain";
    case PixelPath::SSE2: return "sse2";
    case PixelPath::AVX2: return "avx2";
    case PixelPath::AVX512: return "avx512";
    }
    return "?";
}

ProcessorFeatures PixelPathFeatures(PixelPath path)
{
    switch (path) {
    case PixelPath::PLAIN: return 0;
    case PixelPath::SSE2: return FEATURE_SSE2;
    case PixelPath::AVX2: return FEATURES_OF_AVX2;
    case PixelPath::AVX512: return FEATURES_OF_AVX512F | FEATURE_AVX512BW;
    }
    return ~ProcessorFeatures(0);
}

bool PixelPathSupported(PixelPath path, ProcessorFeatures features)
{
    const ProcessorFeatures needed = PixelPathFeatures(path);
    return KernelsOf(path) != nullptr && (features & needed) == needed;
}

PixelPath BestPixelPath(ProcessorFeatures features)
{
    const PixelPath widest_first[] = {PixelPath::AVX512, PixelPath::AVX2, PixelPath::SSE2};
    for (PixelPath path : widest_first) {
        if (PixelPathSupported(path, features)) return path;
    }
    return PixelPath::PLAIN;
}

bool SelectPixelPath(PixelPath path)
{
    if (!PixelPathSupported(path)) return false;
    choice = PixelChoice{path, KernelsOf(path)};
    return true;
}

PixelPath SelectedPixelPath() { return choice.path; }
const PixelKernels& SelectedPixelKernels() { return *choice.kernels; }
