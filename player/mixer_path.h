// Which of the mixer's kernel sets runs (mixer_kernels.h), and whether silent voices are
// skipped. At start-up the fastest set the processor supports is chosen and silent voices are
// skipped; tests and benchmarks may force any supported set, or mix silent voices too, to
// compare the paths with each other. Every choice gives the same bytes.
#pragma once

#include <cstdint>

#include "player/mixer_kernels.h"

enum class MixerPath : int32_t { PLAIN, SSE2, AVX2, AVX512 };
constexpr int32_t MIXER_PATH_COUNT = 4;

// "plain", "sse2", "avx2" or "avx512".
const char* MixerPathName(MixerPath path);
// Whether this build has the path and this processor can run it.
bool MixerPathSupported(MixerPath path);
// The fastest supported path.
MixerPath BestMixerPath();

// Switches to `path`; false (and nothing changes) when it is not supported. Call it only while
// nothing mixes.
bool SelectMixerPath(MixerPath path);
MixerPath SelectedMixerPath();
const MixerKernels& SelectedMixerKernels();

// Off: silent voices are mixed at gain 0 like any other (the slow way, for comparisons).
void SetSilentVoiceSkip(bool skip);
bool SilentVoiceSkip();

// On: MixVoices adds nothing and ConvertToPcm16 writes nothing, but every voice advances
// exactly as when mixed (positions, loops, ends, ramps), and the block fill runs the ticks as
// ever: a walk through the song to the state at a later block, at a fraction of the cost of
// mixing. Off (the default): the selected kernel set mixes. Call it only while nothing mixes.
void SetAdvanceOnly(bool on);
bool AdvanceOnly();
