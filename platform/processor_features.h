// The instruction sets this processor offers, as one set of flags, for the choosers of the
// mixer's and the rasteriser's paths. The choosers take the set as an argument, so a test can
// hand them any combination; the program hands them ThisProcessorFeatures().
//
// A flag is set only when the processor has the instructions and the system saves their
// registers (the compiler's own processor check asks both).
#pragma once

#include <cstdint>

typedef uint32_t ProcessorFeatures;
const ProcessorFeatures FEATURE_SSE2 = 1u << 0;
const ProcessorFeatures FEATURE_AVX = 1u << 1;
const ProcessorFeatures FEATURE_AVX2 = 1u << 2;
const ProcessorFeatures FEATURE_FMA = 1u << 3;
const ProcessorFeatures FEATURE_AVX512F = 1u << 4;
const ProcessorFeatures FEATURE_AVX512DQ = 1u << 5;
const ProcessorFeatures FEATURE_AVX512BW = 1u << 6;
const ProcessorFeatures FEATURE_AVX512VL = 1u << 7;
const int PROCESSOR_FEATURE_COUNT = 8;

// What a file compiled with -mavx2 may use: AVX2 and the AVX it extends.
const ProcessorFeatures FEATURES_OF_AVX2 = FEATURE_SSE2 | FEATURE_AVX | FEATURE_AVX2;
// What a file compiled with -mavx512f may use besides the named AVX-512 parts: all of AVX2,
// and FMA, which clang's -mavx512f brings in.
const ProcessorFeatures FEATURES_OF_AVX512F = FEATURES_OF_AVX2 | FEATURE_FMA | FEATURE_AVX512F;

inline ProcessorFeatures ThisProcessorFeatures()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    ProcessorFeatures features = 0;
    if (__builtin_cpu_supports("sse2")) features |= FEATURE_SSE2;
    if (__builtin_cpu_supports("avx")) features |= FEATURE_AVX;
    if (__builtin_cpu_supports("avx2")) features |= FEATURE_AVX2;
    if (__builtin_cpu_supports("fma")) features |= FEATURE_FMA;
    if (__builtin_cpu_supports("avx512f")) features |= FEATURE_AVX512F;
    if (__builtin_cpu_supports("avx512dq")) features |= FEATURE_AVX512DQ;
    if (__builtin_cpu_supports("avx512bw")) features |= FEATURE_AVX512BW;
    if (__builtin_cpu_supports("avx512vl")) features |= FEATURE_AVX512VL;
    return features;
#elif defined(__SSE2__)
    return FEATURE_SSE2;  // what the build targets (WebAssembly's SIMD translating SSE2)
#else
    return 0;
#endif
}
