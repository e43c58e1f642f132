// RenderFrame on the software device of the headless host: what lands in the presented
// picture for the page, the bubbles and the silhouette.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "assets/assets.h"
#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/headless/headless.h"
#include "scene/frame_renderer.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"
#include "tests/plain_window.h"

namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int lit = 0;
};

class FrameRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessReset();
        ResetSceneState();
        windowed = true;
        window_ = CreatePlainWindow("FrameRenderTest", 740, 600);
        ASSERT_TRUE(InitGraphics(window_, false));
        // The pager only counts down while the page is shown: it leaves the texture and
        // the scene values alone.
        pager_state = PAGER_SHOW;
        pager_wait = 1000;
        // Everything out of sight unless a test brings it in.
        left_panel_x = -5000.0f;
        right_panel_x = 5000.0f;
        for (int k = 0; k < SPRITE_COUNT; ++k) {
            sprite_positions[2 * k] = 300.0f;
            sprite_positions[2 * k + 1] = 5000.0f;
        }
    }
    void TearDown() override
    {
        ReleaseGraphics();
        if (window_ != nullptr) DestroyWindow(window_);
        ResetSceneState();
        ResetPagerState();
    }

    // Writes texel(column, row) into every texel of page_texture.
    template <typename Texel>
    static void PaintPage(Texel texel)
    {
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(page_texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int r = 0; r < PAGE_TEXTURE_SIZE; ++r) {
            auto* row =
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + r * locked.Pitch);
            for (int c = 0; c < PAGE_TEXTURE_SIZE; ++c) row[c] = texel(c, r);
        }
        page_texture->UnlockRect(0);
    }

    static uint32_t Pixel(const std::vector<uint32_t>& frame, int x, int y)
    {
        return frame[size_t(y) * SCREEN_WIDTH + x] & 0xFFFFFF;
    }

    // Bounding box of the non-black pixels above row 500 (the silhouette is below it).
    static Box LitBox(const std::vector<uint32_t>& frame)
    {
        Box box;
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < SCREEN_WIDTH; ++x) {
                if (Pixel(frame, x, y) == 0) continue;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.lit;
            }
        }
        return box;
    }

    HWND window_ = nullptr;
};

}  // namespace

TEST_F(FrameRender, PageTexturePatternAppearsOneTexelPerPixel)
{
    auto pattern = [](int c, int r) {
        return uint32_t((c * 7 + r * 131) * 2654435761u) & 0xFFFFFF;
    };
    PaintPage(pattern);
    for (TLVertex& v : page_quad) v.diffuse = 0xFFFFFF;

    RenderFrame();
    const std::vector<uint32_t> frame = HeadlessLastFrame();
    ASSERT_EQ(frame.size(), 800u * 600u);
    int wrong = 0;
    for (int y = 0; y < 500; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const bool on_page = x >= 144 && x < 656 && y >= 54 && y < 566;
            const uint32_t expected = on_page ? pattern(x - 144, y - 54) : 0;
            if (Pixel(frame, x, y) != expected) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(FrameRender, ClosedPanelsHideThePageAboveTheirLowerEdge)
{
    PaintPage([](int, int) { return 0xFFFFFFu; });
    left_panel_x = -112.0f;
    right_panel_x = 400.0f;
    RenderFrame();
    const std::vector<uint32_t> frame = HeadlessLastFrame();

    auto panel_texel = [](const uint8_t* image, int column, int row) {
        const uint8_t index = ImagePixels(image, PANEL_ENTRIES)[row * PANEL_SIZE + column];
        return PaletteTexel(PaletteEntries(image) + 4 * index);
    };
    int wrong = 0;
    for (int y = 50; y < 500; ++y) {
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const uint32_t expected = x < 400 ? panel_texel(left_panel_data, x + 112, y - 50)
                                              : panel_texel(right_panel_data, x - 400, y - 50);
            if (Pixel(frame, x, y) != expected) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    // Where the silhouette leaves row 562 free, the page's dim lower rows show below the
    // panels (column 323 in this first frame), and row 561 still belongs to the panel.
    EXPECT_EQ(Pixel(frame, 323, 562), 0x070707u);
    EXPECT_EQ(Pixel(frame, 323, 561), panel_texel(left_panel_data, 323 + 112, 511));
    EXPECT_EQ(Pixel(frame, 323, 49), 0u);
}

TEST_F(FrameRender, LargeAndSmallBubblesDrawTheirOwnCells)
{
    // Bubble 0 (large cell) at (100, 300), drawn with p = 0: X = x, Y = y - 1 + 70.
    sprite_positions[0] = 100.0f;
    sprite_positions[1] = 231.0f;
    RenderFrame();
    const Box large = LitBox(HeadlessLastFrame());

    ResetSceneState();
    left_panel_x = -5000.0f;
    right_panel_x = 5000.0f;
    for (int k = 0; k < SPRITE_COUNT; ++k) sprite_positions[2 * k + 1] = 5000.0f;
    // Bubble 21 (small cell): sway 50 sin(84) and 70 cos(168) at p = 0.21.
    sprite_positions[42] = 300.0f;
    sprite_positions[43] = 201.0f;
    RenderFrame();
    const Box small = LitBox(HeadlessLastFrame());

    ASSERT_GT(large.lit, 0);
    ASSERT_GT(small.lit, 0);
    // Each bubble stays inside its 64 x 64 square.
    EXPECT_GE(large.left, 100);
    EXPECT_LE(large.right, 163);
    EXPECT_GE(large.top, 300);
    EXPECT_LE(large.bottom, 363);
    EXPECT_LT(small.right - small.left, large.right - large.left - 20);
    EXPECT_LT(small.lit, large.lit / 2);
}

TEST_F(FrameRender, BubblesAreGreyAtTheTopAndReddishAtTheBottom)
{
    sprite_positions[0] = 100.0f;
    sprite_positions[1] = 231.0f;
    RenderFrame();
    const std::vector<uint32_t> frame = HeadlessLastFrame();
    // The same texel brightness gives more red near the bottom than near the top.
    uint32_t top_red = 0, top_blue = 0, bottom_red = 0, bottom_blue = 0;
    for (int x = 100; x < 164; ++x) {
        for (int y = 300; y < 316; ++y) {
            top_red += (Pixel(frame, x, y) >> 16) & 0xFF;
            top_blue += Pixel(frame, x, y) & 0xFF;
        }
        for (int y = 348; y < 364; ++y) {
            bottom_red += (Pixel(frame, x, y) >> 16) & 0xFF;
            bottom_blue += Pixel(frame, x, y) & 0xFF;
        }
    }
    ASSERT_GT(top_blue, 0u);
    ASSERT_GT(bottom_blue, 0u);
    EXPECT_GT(double(bottom_red) / bottom_blue, double(top_red) / top_blue);
}

TEST_F(FrameRender, BubblesAddOntoWhatIsBelow)
{
    PaintPage([](int, int) { return 0x202020u; });
    for (TLVertex& v : page_quad) v.diffuse = 0xFFFFFF;
    sprite_positions[0] = 200.0f;
    sprite_positions[1] = 231.0f;
    RenderFrame();
    const std::vector<uint32_t> frame = HeadlessLastFrame();
    int brighter = 0, darker = 0;
    for (int y = 300; y < 364; ++y) {
        for (int x = 200; x < 264; ++x) {
            const uint32_t p = Pixel(frame, x, y);
            if (p == 0x202020) continue;
            if ((p & 0xFF) > 0x20)
                ++brighter;
            else
                ++darker;
        }
    }
    EXPECT_GT(brighter, 100);
    EXPECT_EQ(darker, 0);
}

TEST_F(FrameRender, SilhouetteOverwritesTheSceneAlongTheBottom)
{
    sprite_positions[0] = 0.0f;
    sprite_positions[1] = 500.0f;  // a bubble right where the silhouette goes
    RenderFrame();
    const std::vector<uint32_t> frame = HeadlessLastFrame();
    EXPECT_EQ(Pixel(frame, 0, 559), 0x221133u);
    for (int x = 0; x < SCREEN_WIDTH; ++x) EXPECT_EQ(Pixel(frame, x, 599), 0x221133u) << x;
    for (int x = 0; x < 64; ++x) EXPECT_EQ(Pixel(frame, x, 585), 0x221133u) << x;
    EXPECT_FLOAT_EQ(silhouette_phase, 0.05f);
}
