// The computing parts of a frame: where the page lies, how the bubbles move and which cell
// they show, and where the silhouette is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "scene/frame_renderer.h"
#include "scene/scene_state.h"

namespace {

class FrameSteps : public ::testing::Test {
protected:
    void SetUp() override { ResetSceneState(); }
    void TearDown() override { ResetSceneState(); }
};

void ExpectCorner(const TLVertex& v, float x, float y)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
}

}  // namespace

TEST_F(FrameSteps, PageAtRestCoversOneScreenPixelPerTexel)
{
    PlacePageQuad();
    ExpectCorner(page_quad[0], 144, 54);
    ExpectCorner(page_quad[1], 656, 54);
    ExpectCorner(page_quad[2], 656, 566);
    ExpectCorner(page_quad[3], 144, 566);
}

TEST_F(FrameSteps, PageAtDoubleScaleGrowsAboutItsCentre)
{
    page_scale = 2.0f;
    PlacePageQuad();
    ExpectCorner(page_quad[0], -112, -202);
    ExpectCorner(page_quad[1], 912, -202);
    ExpectCorner(page_quad[2], 912, 822);
    ExpectCorner(page_quad[3], -112, 822);
}

TEST_F(FrameSteps, PageTurnsTheWayTheFormulaSays)
{
    // A quarter turn: corner (-256, -256) goes to x = 400 + (-256 cos a - 256 sin a) = 144,
    // y = 310 + (-256 cos a + 256 sin a) = 566.
    page_angle = float(M_PI / 2);
    PlacePageQuad();
    EXPECT_NEAR(page_quad[0].x, 144, 1e-3);
    EXPECT_NEAR(page_quad[0].y, 566, 1e-3);
    EXPECT_NEAR(page_quad[1].x, 144, 1e-3);
    EXPECT_NEAR(page_quad[1].y, 54, 1e-3);
}

TEST_F(FrameSteps, BubbleCellsChangeAfterBubbleTenAndTwenty)
{
    EXPECT_FLOAT_EQ(BubbleCellTop(0), 0.0f);
    EXPECT_FLOAT_EQ(BubbleCellTop(10), 0.0f);
    EXPECT_FLOAT_EQ(BubbleCellTop(11), 0.27f);
    EXPECT_FLOAT_EQ(BubbleCellTop(20), 0.27f);
    EXPECT_FLOAT_EQ(BubbleCellTop(21), 0.54f);
    EXPECT_FLOAT_EQ(BubbleCellTop(29), 0.54f);
}

TEST_F(FrameSteps, BubbleQuadIsSixtyFourSquareGreyOverRed)
{
    TLVertex quad[4];
    BubbleQuad(21, 100.0f, 200.0f, quad);
    ExpectCorner(quad[0], 100, 200);
    ExpectCorner(quad[1], 164, 200);
    ExpectCorner(quad[2], 164, 264);
    ExpectCorner(quad[3], 100, 264);
    EXPECT_EQ(quad[0].diffuse, 0x808080u);
    EXPECT_EQ(quad[1].diffuse, 0x808080u);
    EXPECT_EQ(quad[2].diffuse, 0xF08080u);
    EXPECT_EQ(quad[3].diffuse, 0xF08080u);
    EXPECT_FLOAT_EQ(quad[0].u, 0.0f);
    EXPECT_FLOAT_EQ(quad[1].u, 0.27f);
    EXPECT_FLOAT_EQ(quad[0].v, 0.54f);
    EXPECT_FLOAT_EQ(quad[2].v, 0.54f + 0.27f);
    for (const TLVertex& v : quad) {
        EXPECT_FLOAT_EQ(v.z, 1.0f);
        EXPECT_FLOAT_EQ(v.rhw, 1.0f);
    }
}

TEST_F(FrameSteps, FirstFrameMovesBubbleZeroUpAndSwaysWithPhaseZero)
{
    sprite_positions[0] = 100.0f;
    sprite_positions[1] = 1000.0f;
    float draw[SPRITE_COUNT * 2];
    MoveBubbles(draw);
    EXPECT_FLOAT_EQ(sprite_positions[0], 100.0f);
    EXPECT_FLOAT_EQ(sprite_positions[1], 999.0f);
    EXPECT_FLOAT_EQ(draw[0], 100.0f);
    EXPECT_FLOAT_EQ(draw[1], 1069.0f);
    EXPECT_FLOAT_EQ(sprite_phase, 0.04f);
}

TEST_F(FrameSteps, EachBubbleSwaysWithItsOwnPhase)
{
    for (int k = 0; k < SPRITE_COUNT; ++k) {
        sprite_positions[2 * k] = 300.0f;
        sprite_positions[2 * k + 1] = 801.0f;
    }
    sprite_phase = 1.0f;
    float draw[SPRITE_COUNT * 2];
    MoveBubbles(draw);
    for (int k : {1, 17, 29}) {
        const double p = 1.0f + 0.01f * k;  // single-precision steps, close enough here
        EXPECT_NEAR(draw[2 * k], 300.0 + 50.0 * std::sin(4.0 * k + p), 1e-3) << k;
        EXPECT_NEAR(draw[2 * k + 1], 800.0 + 70.0 * std::cos(8.0 * k + p), 1e-3) << k;
    }
}

TEST_F(FrameSteps, BubbleWrapsToSevenHundredWhenItReachesMinusOneHundred)
{
    sprite_positions[2 * 5 + 1] = -99.0f;
    sprite_positions[2 * 6 + 1] = -98.0f;
    float draw[SPRITE_COUNT * 2];
    MoveBubbles(draw);
    EXPECT_FLOAT_EQ(sprite_positions[2 * 5 + 1], 700.0f);
    EXPECT_FLOAT_EQ(sprite_positions[2 * 6 + 1], -99.0f);
    // Drawn at its new place in the same frame.
    EXPECT_NEAR(draw[2 * 5 + 1], 700.0 + 70.0 * std::cos(40.0 + 0.05f), 1e-3);
}

TEST_F(FrameSteps, PhasesGrowInSinglePrecisionSteps)
{
    float draw[SPRITE_COUNT * 2];
    float expected = 0.0f;
    for (int frame = 0; frame < 1000; ++frame) {
        MoveBubbles(draw);
        expected += 0.04f;
    }
    EXPECT_EQ(sprite_phase, expected);
}

TEST_F(FrameSteps, SilhouetteFillsEveryColumnDownToTheLastRowOnly)
{
    // First frame: sprite_phase already advanced to 0.04, silhouette_phase 0.
    sprite_phase = 0.04f;
    const int stride = 832;
    const uint32_t marker = 0xABCDEF01u;
    std::vector<uint32_t> block(size_t(stride) * 600 + stride, marker);
    WriteSilhouette(block.data(), stride);

    auto pixel = [&](int row, int column) { return block[size_t(row) * stride + column]; };
    EXPECT_EQ(pixel(558, 0), marker);
    EXPECT_EQ(pixel(559, 0), 0x221133u);
    float a = 0.04f, b = -0.04f;
    for (int column = 0; column < 800; ++column) {
        const int h1 = int(540.0 + 20.0 * std::sin(double(a)));
        const int h = int(h1 + 20.0 * std::cos(double(b)));
        ASSERT_GE(h, 500);
        ASSERT_LE(h, 580);
        EXPECT_EQ(pixel(h - 1, column), marker) << column;
        for (int row = h; row < 600; ++row) ASSERT_EQ(pixel(row, column), 0x221133u) << column;
        a += 0.02f;
        b += 0.04f;
    }
    // The row padding beyond column 799 and the memory after the last row stay untouched.
    for (int row = 0; row < 600; ++row) {
        for (int column = 800; column < stride; ++column) ASSERT_EQ(pixel(row, column), marker);
    }
    for (int i = 0; i < stride; ++i) ASSERT_EQ(block[size_t(600) * stride + i], marker);
}

// The silhouette's top in every column of 400 frames, against the rule worked out plainly:
// the 32-bit phases step per column, their sine and cosine are taken in double precision.
TEST_F(FrameSteps, SilhouetteTopsFollowTheRuleInDoublePrecision)
{
    const int stride = 800;
    std::vector<uint32_t> block(size_t(stride) * 600);
    float sprite = 0.0f, silhouette = 0.0f;
    for (int frame = 1; frame <= 400; ++frame) {
        sprite += 0.04f;  // the bubbles move before the silhouette is written
        sprite_phase = sprite;
        silhouette_phase = silhouette;
        std::fill(block.begin(), block.end(), 0u);
        WriteSilhouette(block.data(), stride);
        float a = sprite, b = silhouette - sprite;
        for (int column = 0; column < 800; ++column) {
            const double first_wave = 540.0 + 20.0 * std::sin(double(a));
            const int top = int(double(int(first_wave)) + 20.0 * std::cos(double(b)));
            ASSERT_EQ(block[size_t(top) * stride + column], 0x221133u) << frame << " " << column;
            ASSERT_EQ(block[size_t(top - 1) * stride + column], 0u) << frame << " " << column;
            if (frame == 200 && column == 621) {
                EXPECT_EQ(top, 557);  // the float overloads gave 558 here
            }
            a += 0.02f;
            b += 0.04f;
        }
        silhouette += 0.05f;
    }
}
