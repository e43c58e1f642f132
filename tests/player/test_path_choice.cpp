// The choice of the mixer's and the pixel loops' paths for every combination of the instruction
// sets a processor may offer: a path is supported exactly when every instruction set its code
// is compiled for is there (a processor with AVX but not AVX2 must not get the AVX2 code), and
// the widest supported path is the one picked.
#include <gtest/gtest.h>

#include "platform/pixel_path.h"
#include "player/mixer_path.h"

namespace {

// What each path's files are compiled for (the instruction-set options in player/ and
// platform/ CMakeLists.txt), written out independently: -mavx2 brings AVX with it, and
// clang's -mavx512f brings AVX2 and FMA.
const ProcessorFeatures AVX2_CODE = FEATURE_SSE2 | FEATURE_AVX | FEATURE_AVX2;
const ProcessorFeatures AVX512F_CODE = AVX2_CODE | FEATURE_FMA | FEATURE_AVX512F;
const ProcessorFeatures MIXER_NEEDS[] = {0, FEATURE_SSE2, AVX2_CODE,
                                         AVX512F_CODE | FEATURE_AVX512DQ | FEATURE_AVX512VL};
const ProcessorFeatures PIXEL_NEEDS[] = {0, FEATURE_SSE2, AVX2_CODE,
                                         AVX512F_CODE | FEATURE_AVX512BW};
const ProcessorFeatures EVERY_FEATURE = (1u << PROCESSOR_FEATURE_COUNT) - 1;

// Paths are numbered from the narrowest (plain, 0) to the widest.
template <typename Path, typename Supported, typename Best>
void WalkEveryCombination(const ProcessorFeatures needs[], int path_count, Supported supported,
                          Best best)
{
    for (ProcessorFeatures features = 0; features <= EVERY_FEATURE; ++features) {
        SCOPED_TRACE(::testing::Message() << "features 0x" << std::hex << features);
        int widest = 0;
        for (int p = 0; p < path_count; ++p) {
            // A path this build lacks is supported by no processor.
            const bool built = supported(Path(p), EVERY_FEATURE);
            const bool expected = built && (features & needs[p]) == needs[p];
            EXPECT_EQ(supported(Path(p), features), expected) << "path " << p;
            if (expected) widest = p;
        }
        EXPECT_EQ(int(best(features)), widest);
    }
}

TEST(PathChoice, MixerTakesTheWidestPathWhoseInstructionSetsAreAllThere)
{
    WalkEveryCombination<MixerPath>(
        MIXER_NEEDS, MIXER_PATH_COUNT,
        [](MixerPath p, ProcessorFeatures f) { return MixerPathSupported(p, f); },
        [](ProcessorFeatures f) { return BestMixerPath(f); });
    EXPECT_TRUE(MixerPathSupported(MixerPath::PLAIN, 0));
}

TEST(PathChoice, PixelLoopsTakeTheWidestPathWhoseInstructionSetsAreAllThere)
{
    WalkEveryCombination<PixelPath>(
        PIXEL_NEEDS, PIXEL_PATH_COUNT,
        [](PixelPath p, ProcessorFeatures f) { return PixelPathSupported(p, f); },
        [](ProcessorFeatures f) { return BestPixelPath(f); });
    EXPECT_TRUE(PixelPathSupported(PixelPath::PLAIN, 0));
}

// What runs here is what this processor offers, and the widest of it.
TEST(PathChoice, StartsOnTheWidestPathOfThisProcessor)
{
    EXPECT_EQ(SelectedMixerPath(), BestMixerPath(ThisProcessorFeatures()));
    EXPECT_EQ(SelectedPixelPath(), BestPixelPath(ThisProcessorFeatures()));
}

}  // namespace
