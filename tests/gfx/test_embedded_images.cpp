// The embedded images: RIFF palette headers as the format defines them, palette sizes, and
// pixels that index only the entries their palette has.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "assets/assets.h"

namespace {

uint32_t Word(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
           (uint32_t(bytes[3]) << 24);
}

void ExpectRiffPalette(const uint8_t* image, uint32_t entries)
{
    EXPECT_EQ(std::memcmp(image, "RIFF", 4), 0);
    EXPECT_EQ(Word(image + 4), 4 + 8 + 4 + 4 * entries);
    EXPECT_EQ(std::memcmp(image + 8, "PAL ", 4), 0);
    EXPECT_EQ(std::memcmp(image + 12, "data", 4), 0);
    EXPECT_EQ(Word(image + 16), 4 + 4 * entries);
    EXPECT_EQ(image[20] | (image[21] << 8), 0x0300);
    EXPECT_EQ(uint32_t(image[22] | (image[23] << 8)), entries);
}

}  // namespace

TEST(EmbeddedImages, HeadersDescribeTheirPalettes)
{
    ExpectRiffPalette(sprite_sheet_data, SPRITE_SHEET_ENTRIES);
    ExpectRiffPalette(left_panel_data, PANEL_ENTRIES);
    ExpectRiffPalette(right_panel_data, PANEL_ENTRIES);
}

TEST(EmbeddedImages, SpriteSheetUsesOnlyItsThirtyTwoEntriesAndBlackAroundTheBubbles)
{
    const uint8_t* pixels = ImagePixels(sprite_sheet_data, SPRITE_SHEET_ENTRIES);
    const uint8_t* black = PaletteEntries(sprite_sheet_data);
    EXPECT_EQ(black[0] | black[1] | black[2], 0);
    for (int i = 0; i < 256 * 256; ++i) ASSERT_LT(pixels[i], SPRITE_SHEET_ENTRIES) << i;
    // Each cell (69 texels square, at rows 0, 69 and 138) holds a bubble with a black corner.
    for (int cell = 0; cell < 3; ++cell) {
        const int top = cell * 70;
        EXPECT_EQ(pixels[(top + 1) * 256 + 1], 0) << cell;
        int lit = 0;
        for (int r = top; r < top + 68; ++r) {
            for (int c = 0; c < 69; ++c) lit += pixels[r * 256 + c] != 0;
        }
        EXPECT_GT(lit, 300) << cell;
    }
    // Nothing outside the left column of cells.
    for (int r = 0; r < 256; ++r) {
        for (int c = 72; c < 256; ++c) ASSERT_EQ(pixels[r * 256 + c], 0);
    }
}

TEST(EmbeddedImages, PanelsUseManyColoursEach)
{
    for (const uint8_t* image : {left_panel_data, right_panel_data}) {
        const uint8_t* pixels = ImagePixels(image, PANEL_ENTRIES);
        std::set<uint8_t> used(pixels, pixels + PANEL_SIZE * PANEL_SIZE);
        EXPECT_GT(used.size(), 200u);
    }
}
