// The pager inside whole frames on the headless host: the frame renderer draws the page the
// pager composed, one screen pixel per texel, brightened through the reveal.
#include <algorithm>

#include "scene/frame_renderer.h"
#include "test_pager_device.h"

namespace {

constexpr int PAGE_LEFT = 144;  // screen position of texel (0, 0) at rest
constexpr int PAGE_TOP = 54;

class PagerInFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessReset();
        HeadlessSetSleepCap(0);
        ResetSceneState();
        ResetPagerState();
        windowed = true;
        // Bubbles far below the screen: none rises into view during these frames.
        for (int k = 0; k < SPRITE_COUNT; ++k) {
            sprite_positions[2 * k] = float(20 * k);
            sprite_positions[2 * k + 1] = 1299.0f;
        }
        ASSERT_TRUE(InitGraphics(nullptr, false));
    }
    void TearDown() override
    {
        ReleaseGraphics();
        direct3d = nullptr;
        device = nullptr;
        back_buffer = nullptr;
        vertex_buffer = nullptr;
        page_texture = left_panel_texture = right_panel_texture = sprite_texture = nullptr;
        ResetSceneState();
        ResetPagerState();
        windowed = false;
    }

    // Among the screen pixels under white texels of the page, the share that shows at least
    // the page's brightness 0xBB in every channel.
    static double ShareOfTextShown(const std::vector<uint32_t>& frame, const TexelSnapshot& page)
    {
        int white = 0, shown = 0;
        for (int r = 0; r < PAGE_TEXTURE_SIZE; ++r) {
            for (int c = 0; c < PAGE_TEXTURE_SIZE; ++c) {
                if (page.At(r, c) != 0xFFFFFFFFu) continue;
                ++white;
                const uint32_t p = frame[(PAGE_TOP + r) * SCREEN_WIDTH + PAGE_LEFT + c];
                const uint32_t low = std::min({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF});
                shown += low >= 0xBB;
            }
        }
        return white ? double(shown) / white : 0.0;
    }
};

}  // namespace

TEST_F(PagerInFrames, TextAppearsAfterTheRevealAndNotBefore)
{
    RenderFrame();  // drawn with the blank page; the pager composes at the frame's end
    ASSERT_EQ(HeadlessFrameCount(), 1);
    const std::vector<uint32_t> first = HeadlessLastFrame();
    ASSERT_EQ(first.size(), size_t(800 * 600));
    const TexelSnapshot page = ReadTexels(page_texture);
    ASSERT_FALSE(page.texels.empty());

    for (int frame = 2; frame <= 92; ++frame) RenderFrame();
    ASSERT_EQ(pager_state, PAGER_SHOW);
    const std::vector<uint32_t> shown = HeadlessLastFrame();

    // Frame 92 is the first drawn after the reveal: page at 0xBB, panels closed and added on.
    EXPECT_GT(ShareOfTextShown(shown, page), 0.99);
    EXPECT_LT(ShareOfTextShown(first, page), 0.5);
    // Between the lines (texture rows 100..149 hold nothing) the page adds nothing, so those
    // pixels show no more than the darkened panels.
    for (int r = 100; r < 150; ++r) {
        for (int c = 0; c < PAGE_TEXTURE_SIZE; ++c) {
            const uint32_t p = shown[(PAGE_TOP + r) * SCREEN_WIDTH + PAGE_LEFT + c];
            ASSERT_LE(p & 0xFF, 0x4Bu) << "row " << r << " col " << c;
        }
    }
}
