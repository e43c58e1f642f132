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

bool MixerPathSupported(MixerPath path)
{
#ifdef MIXER_X86_KERNELS
    // The processor's own answer, which includes whether the system saves the wide registers.
    __builtin_cpu_init();
    switch (path) {
    case MixerPath::PLAIN: return true;
    case MixerPath::SSE2: return __builtin_cpu_supports("sse2");
    case MixerPath::AVX2: return __builtin_cpu_supports("avx2");
    case MixerPath::AVX512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512vl");
    }
    return false;
#else
    return path == MixerPath::PLAIN;
#endif
}

MixerPath BestMixerPath()
{
    const MixerPath fastest_first[] = {MixerPath::AVX512, MixerPath::AVX2, MixerPath::SSE2};
    for (MixerPath path : fastest_first) {
        if (MixerPathSupported(path)) return path;
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
