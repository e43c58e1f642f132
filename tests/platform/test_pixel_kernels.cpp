// Every set of pixel loops against the plain one, pixel for pixel, on random pixels: each way
// of writing and shading a run, and the scaler's two steps, for every length up to 40 (so
// every tail after the last whole vector) at every alignment of a 64-byte line; nothing
// beyond the run is written (guard pixels) or read (exact allocations under the sanitizers).
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/pixel_path.h"

void PrintTo(PixelPath path, std::ostream* out) { *out << PixelPathName(path); }

namespace {

const uint32_t GUARD = 0xDEADBEEF;
const int LONGEST = 40;

std::vector<uint32_t> RandomPixels(std::mt19937& rng, int n, uint32_t bytes = 0xFFFFFFFF)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(n));
    for (uint32_t& p : pixels) {
        // Saturated and empty bytes often, so that sums clip and products vanish.
        const uint32_t kind = rng() % 4;
        p = (kind == 0 ? 0xFFFFFFFF : kind == 1 ? 0 : uint32_t(rng())) & bytes;
    }
    return pixels;
}

class PixelKernelsTest : public ::testing::TestWithParam<PixelPath> {
protected:
    void SetUp() override
    {
        if (!PixelPathSupported(GetParam())) GTEST_SKIP() << "not on this processor";
    }
};

TEST_P(PixelKernelsTest, RunsMatchThePlainLoops)
{
    SelectPixelPath(GetParam());
    const PixelKernels& tested = SelectedPixelKernels();
    SelectPixelPath(BestPixelPath());
    std::mt19937 rng(11);
    for (int write = 0; write < PIXEL_WRITE_COUNT; ++write) {
        for (int shade = 0; shade < PIXEL_SHADE_COUNT; ++shade) {
            for (int n = 0; n <= LONGEST; ++n) {
                SCOPED_TRACE(::testing::Message()
                             << "write " << write << " shade " << shade << " length " << n);
                const int offset = int(rng() % 16);
                const std::vector<uint32_t> source = RandomPixels(rng, n);
                const std::vector<uint32_t> colours = RandomPixels(rng, n);
                const uint32_t colour = uint32_t(rng());
                std::vector<uint32_t> got = RandomPixels(rng, offset + n + 4);
                std::fill(got.end() - 4, got.end(), GUARD);
                std::vector<uint32_t> want = got;
                tested.runs[write][shade](got.data() + offset, source.data(), colours.data(),
                                          colour, n);
                PLAIN_PIXEL_KERNELS.runs[write][shade](want.data() + offset, source.data(),
                                                       colours.data(), colour, n);
                ASSERT_EQ(got, want);
            }
        }
    }
}

TEST_P(PixelKernelsTest, ScalingMatchesThePlainLoops)
{
    SelectPixelPath(GetParam());
    const PixelKernels& tested = SelectedPixelKernels();
    SelectPixelPath(BestPixelPath());
    std::mt19937 rng(12);
    for (int width = 0; width <= LONGEST; ++width) {
        SCOPED_TRACE(width);
        const int source_width = 2 * LONGEST;
        // The scaler's pictures are 0x00RRGGBB.
        const std::vector<uint32_t> source = RandomPixels(rng, source_width, 0x00FFFFFF);
        std::vector<int32_t> first(static_cast<size_t>(width));
        std::vector<uint32_t> weight(static_cast<size_t>(width));
        for (int x = 0; x < width; ++x) {
            first[size_t(x)] = int32_t(rng() % uint32_t(source_width - 1));
            weight[size_t(x)] = rng() % 3 == 0 ? 0 : rng() % 257;
        }
        std::vector<uint32_t> got(size_t(width) + 4, GUARD), want = got;
        tested.scale_row(first.data(), weight.data(), source.data(), got.data(), width);
        ScaleRowPlain(first.data(), weight.data(), source.data(), want.data(), width);
        ASSERT_EQ(got, want);

        const std::vector<uint32_t> upper = RandomPixels(rng, width, 0x00FFFFFF);
        const std::vector<uint32_t> lower = RandomPixels(rng, width, 0x00FFFFFF);
        const uint32_t down = rng() % 257;
        tested.blend_rows(upper.data(), lower.data(), down, got.data(), width);
        BlendRowsPlain(upper.data(), lower.data(), down, want.data(), width);
        ASSERT_EQ(got, want);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, PixelKernelsTest,
                         ::testing::Values(PixelPath::PLAIN, PixelPath::SSE2, PixelPath::AVX2,
                                           PixelPath::AVX512),
                         [](const ::testing::TestParamInfo<PixelPath>& info) {
                             return std::string(PixelPathName(info.param));
                         });

}  // namespace
