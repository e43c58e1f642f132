// The font strip, its palette and glyph tables, and the page text: the layout the pager
// relies on, and glyphs that stay inside their cells and rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/assets.h"

namespace {

constexpr int GLYPH_COUNT = 44;
constexpr int LINE_LENGTH = 36;
constexpr int TEXT_LENGTH = 1512;

uint8_t Pixel(int row, int column)
{
    return ImagePixels(font_strip_data, 16)[row * FONT_STRIP_WIDTH + column];
}

bool ColumnHasInk(int column, int first_row = 0, int end_row = FONT_STRIP_ROWS)
{
    for (int r = first_row; r < end_row; ++r) {
        if (Pixel(r, column) != 0) return true;
    }
    return false;
}

int GlyphOf(char c)
{
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        if (glyph_chars[i] == c) return i;
    }
    return -1;
}

}  // namespace

TEST(FontStrip, StartsWithARiffPaletteOfSixteenGreys)
{
    const uint8_t* d = font_strip_data;
    EXPECT_EQ(std::memcmp(d, "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(d + 8, "PAL ", 4), 0);
    EXPECT_EQ(std::memcmp(d + 12, "data", 4), 0);
    EXPECT_EQ(d[20] | d[21] << 8, 0x0300);
    EXPECT_EQ(d[22] | d[23] << 8, 16);
    const uint8_t greys[16] = {0,   255, 248, 240, 233, 225, 217, 208,
                               199, 189, 178, 167, 154, 140, 124, 104};
    for (int i = 0; i < 16; ++i) {
        const uint8_t* e = PaletteEntries(font_strip_data) + 4 * i;
        EXPECT_EQ(e[0], greys[i]) << i;
        EXPECT_EQ(e[1], greys[i]) << i;
        EXPECT_EQ(e[2], greys[i]) << i;
        EXPECT_EQ(e[3], 0) << i;
    }
}

TEST(FontStrip, GlyphTablesAreExactlyTheFontsLayout)
{
    EXPECT_STREQ(glyph_chars, "abcdefghijklmnopqrstuvwxyz!.()+:-0123456789 ");
    const int32_t expected[45] = {0,   13,  26,  38,  52,  63,  71,  85,  99,  103, 111, 122,
                                  129, 145, 157, 172, 185, 200, 210, 219, 230, 241, 253, 270,
                                  282, 295, 307, 316, 326, 335, 348, 370, 377, 386, 402, 409,
                                  422, 433, 447, 459, 471, 483, 495, 506, 520};
    for (int i = 0; i < 45; ++i) EXPECT_EQ(glyph_x[i], expected[i]) << i;
    EXPECT_EQ(glyph_x[GlyphOf('i') + 1] - glyph_x[GlyphOf('i')], 4);
    EXPECT_EQ(glyph_x[GlyphOf('+') + 1] - glyph_x[GlyphOf('+')], 22);
}

TEST(FontStrip, InkStaysInRowsOneToTwentyThreeAndInsideTheGlyphs)
{
    for (int c = 0; c < FONT_STRIP_WIDTH; ++c) {
        for (int r = 0; r < FONT_STRIP_ROWS; ++r) {
            ASSERT_LT(Pixel(r, c), 16) << "row " << r << " col " << c;
            if (r == 0 || r >= 24 || c >= glyph_x[GLYPH_COUNT - 1]) {
                ASSERT_EQ(Pixel(r, c), 0) << "row " << r << " col " << c;
            }
        }
    }
}

TEST(FontStrip, EveryGlyphButTheBlankHasWhiteInkAndRoomBesideIt)
{
    for (int g = 0; g < GLYPH_COUNT - 1; ++g) {
        const int first = glyph_x[g], end = glyph_x[g + 1];
        int white = 0;
        for (int c = first; c < end; ++c) {
            for (int r = 0; r < FONT_STRIP_ROWS; ++r) white += Pixel(r, c) == 1;
        }
        EXPECT_GT(white, 3) << glyph_chars[g];
        // Glyphs are drawn back to back: each keeps a clear column at either side, so
        // neighbours never touch.
        EXPECT_FALSE(ColumnHasInk(first)) << glyph_chars[g];
        EXPECT_FALSE(ColumnHasInk(end - 1)) << glyph_chars[g];
    }
}

TEST(FontStrip, LettersShareBaselineAndDescendersGoBelowIt)
{
    auto lowest_ink_row = [](char ch) {
        const int g = GlyphOf(ch);
        int lowest = -1;
        for (int c = glyph_x[g]; c < glyph_x[g + 1]; ++c) {
            for (int r = 0; r < FONT_STRIP_ROWS; ++r) {
                if (Pixel(r, c) != 0) lowest = std::max(lowest, r);
            }
        }
        return lowest;
    };
    const int baseline = lowest_ink_row('x');
    for (char ch : std::string("abcdehiklmnorsuvwxz0123456789")) {
        EXPECT_NEAR(lowest_ink_row(ch), baseline, 1) << ch;
    }
    for (char ch : std::string("gjpqy")) EXPECT_GE(lowest_ink_row(ch), baseline + 3) << ch;
}

// The first and last columns of glyph g that hold ink, counted from the glyph's left edge.
void GlyphInk(int g, int* first, int* last)
{
    *first = -1;
    *last = -1;
    for (int c = glyph_x[g]; c < glyph_x[g + 1]; ++c) {
        if (!ColumnHasInk(c)) continue;
        if (*first < 0) *first = c - glyph_x[g];
        *last = c - glyph_x[g];
    }
}

TEST(PageText, SevenPagesOfSixLinesWithThreeBulletsOnTheLast)
{
    ASSERT_EQ(sizeof(page_text), size_t(TEXT_LENGTH + 1));
    ASSERT_EQ(std::strlen(page_text), size_t(TEXT_LENGTH));
    int bullets = 0;
    for (int line = 0; line < TEXT_LENGTH / LINE_LENGTH; ++line) {
        const std::string text(page_text + line * LINE_LENGTH, LINE_LENGTH);
        for (int k = 0; k < LINE_LENGTH; ++k) {
            if (text[k] == '*') {
                EXPECT_GE(line, 36) << "bullets only on the seventh page";
                EXPECT_EQ(k, 0) << "bullets only at the start of a line";
                ++bullets;
            } else {
                ASSERT_GE(GlyphOf(text[k]), 0) << "line " << line << ": " << text;
            }
        }
        EXPECT_EQ(text.find("++"), std::string::npos) << "line " << line << ": " << text;
    }
    EXPECT_EQ(bullets, 3);
}

// Glyphs differ in width, so a line centred by its characters leans to one side. Every line
// with ink is centred by it: the middle of its first and last inked texel columns lies within
// half a blank (7 texels) of the page's centre, between columns 255 and 256.
TEST(PageText, EveryLineIsCentredByItsInk)
{
    // The pager draws a "*" as a diamond inked in columns 3 to 10 of a blank's box.
    constexpr int BULLET_FIRST = 3, BULLET_LAST = 10, BLANK_WIDTH = 14;
    for (int line = 0; line < TEXT_LENGTH / LINE_LENGTH; ++line) {
        int pen = 50, first = -1, last = -1;
        for (int k = 0; k < LINE_LENGTH; ++k) {
            const char c = page_text[line * LINE_LENGTH + k];
            const int g = GlyphOf(c);
            int ink_first = BULLET_FIRST, ink_last = BULLET_LAST, width = BLANK_WIDTH;
            if (g >= 0) {
                GlyphInk(g, &ink_first, &ink_last);
                width = glyph_x[g + 1] - glyph_x[g];
            }
            if (ink_first >= 0) {
                if (first < 0) first = pen + ink_first;
                last = pen + ink_last;
            }
            pen += width;
        }
        if (first < 0) continue;  // a blank line
        const double centre = (first + last) / 2.0;
        EXPECT_LE(std::abs(centre - 255.5), 7.0)
            << "line " << line << " ink " << first << ".." << last << ": "
            << std::string(page_text + line * LINE_LENGTH, LINE_LENGTH);
    }
}

TEST(PageText, OnlyBlanksReachPastTheTexturesLastColumn)
{
    for (int line = 0; line < TEXT_LENGTH / LINE_LENGTH; ++line) {
        int pen = 50;
        for (int k = 0; k < LINE_LENGTH; ++k) {
            const char c = page_text[line * LINE_LENGTH + k];
            const int g = GlyphOf(c);
            const int width = g < 0 ? 14 : glyph_x[g + 1] - glyph_x[g];
            if (c != ' ') {
                EXPECT_LE(pen + width, 512) << "line " << line << " char " << k;
            }
            pen += width;
        }
    }
}
