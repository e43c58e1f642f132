// The choice of the mixer's kernel set: the fastest one the processor runs, unless a test or
// benchmark asks for another.
#include "player/mixer_path.h"

namespace {

struct MixerChoice {
    MixerPath path;
    const MixerKernels* kernels;
    bool skip_silent;
    bool advance_only;
};

const MixerKernels* KernelsOf(MixerPath path)
{
    switch (path) {
#ifdef MIXER_X86_KERNELS
    case MixerPath::SSE2: return &SSE2_KERNELS;
    case MixerPath::AVX2: return &AVX2_KERNELS;
    case MixerPath::AVX512: return &AVX512_KERNELS;
#endif
    default: return &PLAIN_KERNELS;
    }
}

MixerChoice StartingChoice()
{
    MixerPath best = BestMixerPath();
    return MixerChoice{best, KernelsOf(best), true, false};
}

MixerChoice choice = StartingChoice();

}  // namespace

const char* MixerPathName(MixerPath path)
{
    switch (path) {
    case MixerPath::PLAIN: return "plain";
    case MixerPath::SSE2: return "sse2";
    case MixerPath::AVX2: return "avx2";
    case MixerPath::AVX512: return "avx512";
    }
    return "?";
}

ProcessorFeatures MixerPathFeatures(MixerPath path)
{
    switch (path) {
    case MixerPath::PLAIN: return 0;
    case MixerPath::SSE2: return FEATURE_SSE2;
    case MixerPath::AVX2: return FEATURES_OF_AVX2;
    case MixerPath::AVX512: return FEATURES_OF_AVX512F | FEATURE_AVX512DQ | FEATURE_AVX512VL;
    }
    return ~ProcessorFeatures(0);
}

bool MixerPathSupported(MixerPath path, ProcessorFeatures features)
{
#ifndef MIXER_X86_KERNELS
    if (path != MixerPath::PLAIN) return false;  // not in this build
#endif
    const ProcessorFeatures needed = MixerPathFeatures(path);
    return (features & needed) == needed;
}

MixerPath BestMixerPath(ProcessorFeatures features)
{
    const MixerPath fastest_first[] = {MixerPath::AVX512, MixerPath::AVX2, MixerPath::SSE2};
    for (MixerPath path : fastest_first) {
        if (MixerPathSupported(path, features)) return path;
    }
    return MixerPath::PLAIN;
}

bool SelectMixerPath(MixerPath path)
{
    if (!MixerPathSupported(path)) return false;
    choice.path = path;
    choice.kernels = KernelsOf(path);
    return true;
}

MixerPath SelectedMixerPath() { return choice.path; }
const MixerKernels& SelectedMixerKernels()
{
    return choice.advance_only ? ADVANCE_KERNELS : *choice.kernels;
}

void SetSilentVoiceSkip(bool skip) { choice.skip_silent = skip; }
bool SilentVoiceSkip() { return choice.skip_silent; }

void SetAdvanceOnly(bool on) { choice.advance_only = on; }
bool AdvanceOnly() { return choice.advance_only; }
