// The whole intro on the headless host, frame by frame: what the first frame shows, where the
// bubbles start, and how a lost device is waited for, reset and re-filled.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "assets/assets.h"
#include "intro_run.h"

namespace {

class IntroFrames : public ::testing::Test {
protected:
    void SetUp() override { ResetIntroState(); }
    void TearDown() override
    {
        HeadlessSetFrameCallback({});
        ReleaseGraphics();
    }
};

uint32_t ImageTexel(const uint8_t* image, int entries, int size, int column, int row)
{
    const uint8_t index = ImagePixels(image, entries)[row * size + column];
    return PaletteTexel(PaletteEntries(image) + 4 * index);
}

// The silhouette's top row in column c of the first frame (A = 0.04, B = -0.04).
std::vector<int> FirstFrameSilhouetteTops()
{
    std::vector<int> tops;
    float a = 0.04f, b = -0.04f;
    for (int c = 0; c < SCREEN_WIDTH; ++c) {
        const int h1 = int(540.0 + 20.0 * std::sin(a));
        tops.push_back(int(h1 + 20.0 * std::cos(b)));
        a += 0.02f;
        b += 0.04f;
    }
    return tops;
}

// The start table as the Windows runtime's generator gives it (state × 214013 + 2531011,
// results bits 16..30, seed 1), worked out here on its own rather than through rand.
std::vector<float> ExpectedStartPositions()
{
    uint32_t state = 1;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 0x7FFF);
    };
    std::vector<float> positions;
    for (int k = 0; k < 30; ++k) {
        const int x = next() % 800;
        const int y = next() % 600 + 700;
        positions.push_back(float(x));
        positions.push_back(float(y));
    }
    return positions;
}

// Compares a locked texture with an embedded image; true when every texel matches.
bool TextureHoldsImage(IDirect3DTexture9* texture, const uint8_t* image, int entries, int size)
{
    if (texture == nullptr) return false;
    D3DLOCKED_RECT locked = {};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return false;
    const auto* texels = static_cast<const uint32_t*>(locked.pBits);
    bool same = true;
    for (int r = 0; r < size && same; ++r) {
        for (int c = 0; c < size && same; ++c) {
            same = texels[r * (locked.Pitch / 4) + c] == ImageTexel(image, entries, size, c, r);
        }
    }
    texture->UnlockRect(0);
    return same;
}

bool TextureIsBlank(IDirect3DTexture9* texture, int size)
{
    if (texture == nullptr) return false;
    D3DLOCKED_RECT locked = {};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return false;
    const auto* texels = static_cast<const uint32_t*>(locked.pBits);
    bool blank = true;
    for (int r = 0; r < size && blank; ++r) {
        for (int c = 0; c < size && blank; ++c) blank = texels[r * (locked.Pitch / 4) + c] == 0;
    }
    texture->UnlockRect(0);
    return blank;
}

}  // namespace

TEST_F(IntroFrames, FirstFrameShowsTheClosedPanelsTexelForPixelAndTheSilhouette)
{
    std::vector<uint32_t> first;
    std::vector<float> positions;
    float phases[2] = {0, 0};
    HeadlessSetFrameCallback(
        [&](int frame, const uint32_t* pixels, int width, int height, int pitch) {
            if (frame != 1 || width != SCREEN_WIDTH || height != SCREEN_HEIGHT) return;
            for (int y = 0; y < SCREEN_HEIGHT; ++y) {
                first.insert(first.end(), pixels + size_t(y) * pitch,
                             pixels + size_t(y) * pitch + SCREEN_WIDTH);
            }
            positions.assign(sprite_positions, sprite_positions + 60);
            phases[0] = sprite_phase;
            phases[1] = silhouette_phase;
        });
    ASSERT_EQ(RunIntroFor(2), 0);
    ASSERT_EQ(first.size(), size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);

    const std::vector<int> tops = FirstFrameSilhouetteTops();
    EXPECT_EQ(tops[0], 559);
    int mismatches = 0;
    for (int x = 0; x < SCREEN_WIDTH; ++x) {
        for (int y = 0; y < SCREEN_HEIGHT; ++y) {
            const uint32_t pixel = first[size_t(y) * SCREEN_WIDTH + x];
            uint32_t expected = 0;  // background, and the blank page below the panels
            if (y >= tops[x]) {
                expected = 0x221133;
            } else if (y >= 50 && y < 562) {
                expected = x < 400 ? ImageTexel(left_panel_data, 256, 512, x + 112, y - 50)
                                   : ImageTexel(right_panel_data, 256, 512, x - 400, y - 50);
            }
            if ((pixel & 0xFFFFFF) != expected && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << pixel
                              << ", expected " << expected;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);

    // The bubbles start below the screen and have risen by one pixel.
    const std::vector<float> start = ExpectedStartPositions();
    ASSERT_EQ(positions.size(), 60u);
    for (int k = 0; k < 30; ++k) {
        EXPECT_EQ(positions[2 * k], start[2 * k]) << k;
        EXPECT_EQ(positions[2 * k + 1], start[2 * k + 1] - 1.0f) << k;
    }
    EXPECT_EQ(phases[0], 0.04f);
    EXPECT_EQ(phases[1], 0.05f);
}

TEST_F(IntroFrames, TwoRunsStartTheBubblesAtTheSamePlaces)
{
    std::vector<float> runs[2];
    for (int run = 0; run < 2; ++run) {
        ResetIntroState();
        HeadlessSetFrameCallback([&](int frame, const uint32_t*, int, int, int) {
            if (frame == 1) runs[run].assign(sprite_positions, sprite_positions + 60);
        });
        ASSERT_EQ(RunIntroFor(1), 0);
    }
    EXPECT_EQ(runs[0], runs[1]);
    // x first, then y, each from its own draw; all below the screen.
    const std::vector<float> start = ExpectedStartPositions();
    for (int k = 0; k < 30; ++k) {
        EXPECT_EQ(runs[0][2 * k], start[2 * k]);
        EXPECT_GE(runs[0][2 * k + 1], 699.0f);
        EXPECT_LE(runs[0][2 * k + 1], 1298.0f);
    }
}

TEST_F(IntroFrames, LostDeviceIsWaitedForThenResetAndRefilled)
{
    HeadlessQueueMessageBoxAnswer(IDYES);
    HeadlessScheduleDisplayLoss(5, 40);

    struct AfterReset {
        bool seen = false;
        PagerState state = PAGER_COMPOSE;
        bool panels_and_sprites = false;
        bool page_blank = false;
        int sleeps_of_1ms = 0;
    } after;
    HeadlessSetFrameCallback([&](int frame, const uint32_t*, int, int, int) {
        if (frame != 6) return;
        after.seen = true;
        after.state = pager_state;
        after.sleeps_of_1ms = HeadlessSleepCount(1);
        after.panels_and_sprites =
            TextureHoldsImage(left_panel_texture, left_panel_data, 256, 512) &&
            TextureHoldsImage(right_panel_texture, right_panel_data, 256, 512) &&
            TextureHoldsImage(sprite_texture, sprite_sheet_data, 32, 256);
        after.page_blank = TextureIsBlank(page_texture, 512);
    });
    ASSERT_EQ(RunIntroFor(12), 0);

    EXPECT_GT(HeadlessDisplayUnusableAnswers(), 0);
    ASSERT_TRUE(after.seen);
    EXPECT_GE(after.sleeps_of_1ms, 1);
    EXPECT_EQ(after.state, PAGER_FADE);
    EXPECT_TRUE(after.panels_and_sprites);
    EXPECT_TRUE(after.page_blank);
    // Drawing resumed after the reset.
    EXPECT_EQ(HeadlessFrameCount(), 12);
}
