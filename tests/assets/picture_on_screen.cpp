// The title picture as the audience sees it: the whole intro on the headless host, one frame
// while a page is held (the panels dimmed to 75/255 and added onto the page) and one in the
// pause between pages (the panels at full brightness, the bubbles out of sight). The held
// frame must not be a dark screen with text, the text must stand out from the picture and the
// bubbles behind it, and the picture at full brightness must not clip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "assets/assets.h"
#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/headless/headless.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"

namespace {

// Where page texel (0, 0) lands while the page is held: unturned, unscaled, centred on
// (400, 310), so at (144, 54).
constexpr int PAGE_LEFT = int(PAGE_CENTRE_X) - PAGE_TEXTURE_SIZE / 2;
constexpr int PAGE_TOP = int(PAGE_CENTRE_Y) - PAGE_TEXTURE_SIZE / 2;

struct Frame {
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, SCREEN_WIDTH x SCREEN_HEIGHT
    std::vector<uint32_t> page;    // page_texture's texels, PAGE_TEXTURE_SIZE x PAGE_TEXTURE_SIZE
};

struct Capture {
    Frame held;
    Frame paused;
};

std::vector<uint32_t> CopyFrame(const uint32_t* pixels, int pitch)
{
    std::vector<uint32_t> copy;
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        copy.insert(copy.end(), pixels + size_t(y) * pitch,
                    pixels + size_t(y) * pitch + SCREEN_WIDTH);
    }
    return copy;
}

std::vector<uint32_t> CopyPage()
{
    std::vector<uint32_t> texels;
    D3DLOCKED_RECT locked = {};
    if (page_texture == nullptr || FAILED(page_texture->LockRect(0, &locked, nullptr, 0))) {
        return texels;
    }
    const auto* rows = static_cast<const uint32_t*>(locked.pBits);
    for (int v = 0; v < PAGE_TEXTURE_SIZE; ++v) {
        texels.insert(texels.end(), rows + size_t(v) * (locked.Pitch / 4),
                      rows + size_t(v) * (locked.Pitch / 4) + PAGE_TEXTURE_SIZE);
    }
    page_texture->UnlockRect(0);
    return texels;
}

// Runs the intro (windowed, silent) through the first page: a frame in the middle of the
// hold and one in the middle of the pause after it.
Capture RunFirstPage()
{
    Capture capture;
    HeadlessReset();
    HeadlessSetSleepCap(0);
    HeadlessSetAudioAvailable(false);
    HeadlessSetFrameCallback([&](int, const uint32_t* pixels, int width, int height, int pitch) {
        if (width != SCREEN_WIDTH || height != SCREEN_HEIGHT) return;
        if (pager_state == PAGER_SHOW && pager_wait == 250 && capture.held.pixels.empty()) {
            capture.held.pixels = CopyFrame(pixels, pitch);
            capture.held.page = CopyPage();
        }
        if (pager_state == PAGER_PAUSE && pager_wait == 25 && capture.paused.pixels.empty()) {
            capture.paused.pixels = CopyFrame(pixels, pitch);
        }
        // Once the held frame is taken, the bubbles go far below the screen: the paused frame
        // shows the picture alone. A bubble's light is added onto the picture and may
        // saturate where it crosses a highlight, wherever the bubbles happen to be.
        if (!capture.held.pixels.empty() && capture.paused.pixels.empty()) {
            for (int k = 0; k < SPRITE_COUNT; ++k) sprite_positions[2 * k + 1] = 5000.0f;
        }
    });
    HeadlessScheduleEvent(800, HeadlessKeyDown(VK_ESCAPE));
    char command_line[] = "";
    WinMain(nullptr, nullptr, command_line, SW_SHOWDEFAULT);
    HeadlessSetFrameCallback({});
    return capture;
}

double Channel(uint32_t pixel, int shift) { return double((pixel >> shift) & 0xFF); }

// Luma of a pixel on the 0..255 scale of its stored values.
double Luma(uint32_t pixel)
{
    return 0.2126 * Channel(pixel, 16) + 0.7152 * Channel(pixel, 8) + 0.0722 * Channel(pixel, 0);
}

// Relative luminance 0..1 of a pixel read as sRGB, for contrast ratios.
double RelativeLuminance(uint32_t pixel)
{
    auto linear = [](double value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(Channel(pixel, 16)) + 0.7152 * linear(Channel(pixel, 8)) +
           0.0722 * linear(Channel(pixel, 0));
}

double MeanLuma(const std::vector<uint32_t>& pixels)
{
    double sum = 0.0;
    for (uint32_t pixel : pixels) sum += Luma(pixel);
    return sum / std::max<size_t>(pixels.size(), 1);
}

// The lowest contrast ratio of any text line: the mean luminance of its fully inked pixels
// against that of the pixels between them where the page is transparent, so that only the
// picture (and any bubble) lies there.
double LowestTextContrast(const Frame& frame)
{
    const uint32_t white_ink =
        frame.page.empty() ? 0 : *std::max_element(frame.page.begin(), frame.page.end());
    double lowest = 1e9;
    for (int line = 0; line < 6; ++line) {
        const int top = FIRST_LINE_TOP + LINE_SPACING * line;
        int first = PAGE_TEXTURE_SIZE, last = -1;
        for (int v = top; v < top + GLYPH_ROWS; ++v) {
            for (int u = 0; u < PAGE_TEXTURE_SIZE; ++u) {
                if (frame.page[size_t(v) * PAGE_TEXTURE_SIZE + u] == white_ink) {
                    first = std::min(first, u);
                    last = std::max(last, u);
                }
            }
        }
        if (last < 0) continue;
        double ink = 0.0, behind = 0.0;
        int ink_count = 0, behind_count = 0;
        for (int v = top; v < top + GLYPH_ROWS; ++v) {
            for (int u = first; u <= last; ++u) {
                const uint32_t texel = frame.page[size_t(v) * PAGE_TEXTURE_SIZE + u];
                const uint32_t pixel =
                    frame.pixels[size_t(PAGE_TOP + v) * SCREEN_WIDTH + PAGE_LEFT + u];
                if (texel == white_ink) {
                    ink += RelativeLuminance(pixel);
                    ++ink_count;
                } else if (texel == 0) {
                    behind += RelativeLuminance(pixel);
                    ++behind_count;
                }
            }
        }
        const double ratio = (ink / ink_count + 0.05) / (behind / behind_count + 0.05);
        lowest = std::min(lowest, ratio);
    }
    return lowest;
}

double ClippedShare(const std::vector<uint32_t>& pixels)
{
    size_t clipped = 0;
    for (uint32_t pixel : pixels) {
        clipped +=
            Channel(pixel, 16) == 255 || Channel(pixel, 8) == 255 || Channel(pixel, 0) == 255;
    }
    return double(clipped) / std::max<size_t>(pixels.size(), 1);
}

}  // namespace

TEST(PictureOnScreen, ReadsWhileHeldDimAndDoesNotClipAtFullBrightness)
{
    const Capture capture = RunFirstPage();
    ASSERT_EQ(capture.held.pixels.size(), size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);
    ASSERT_EQ(capture.held.page.size(), size_t(PAGE_TEXTURE_SIZE) * PAGE_TEXTURE_SIZE);
    ASSERT_EQ(capture.paused.pixels.size(), size_t(SCREEN_WIDTH) * SCREEN_HEIGHT);

    const double held_luma = MeanLuma(capture.held.pixels);
    const double contrast = LowestTextContrast(capture.held);
    const double clipped = ClippedShare(capture.paused.pixels);
    RecordProperty("held_mean_luma", std::to_string(held_luma));
    RecordProperty("lowest_text_contrast", std::to_string(contrast));
    RecordProperty("paused_clipped_share", std::to_string(clipped));

    EXPECT_GE(held_luma, 40.0) << "the held page shows a dark screen";
    EXPECT_GE(contrast, 5.0) << "the text does not stand out from the picture";
    EXPECT_LE(clipped, 0.001) << "the picture clips at full brightness";
}

// The picture's own highlights roll off below full scale, leaving room for the bubbles.
TEST(PictureOnScreen, PanelsNeverReachFullScale)
{
    for (const uint8_t* panel : {left_panel_data, right_panel_data}) {
        const uint8_t* entries = PaletteEntries(panel);
        const uint8_t* pixels = ImagePixels(panel, PANEL_ENTRIES);
        for (int i = 0; i < PANEL_SIZE * PANEL_SIZE; ++i) {
            const uint8_t* entry = entries + 4 * pixels[i];
            ASSERT_LT(std::max({entry[0], entry[1], entry[2]}), 255) << "pixel " << i;
        }
    }
}
