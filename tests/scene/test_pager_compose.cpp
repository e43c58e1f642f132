// Page composition and clearing: every glyph box lands at its row and column with the texels
// the font strip and its palette give, nothing is written outside the boxes or past column
// 511, and a texture that cannot be locked is left alone.
#include <cstring>

#include "test_pager_device.h"

namespace {

constexpr int BLANK_WIDTH = 14;

int GlyphOf(char c)
{
    for (int i = 0; i < 44; ++i) {
        if (glyph_chars[i] == c) return i;
    }
    return -1;
}

int WidthOf(char c)
{
    const int g = GlyphOf(c);
    return g < 0 ? BLANK_WIDTH : glyph_x[g + 1] - glyph_x[g];
}

// The pager texel of a font pixel, worked out from the palette bytes.
uint32_t FontTexel(uint8_t index)
{
    const uint8_t* entry = PaletteEntries(font_strip_data) + 4 * index;
    const uint32_t rgb = uint32_t(entry[0]) << 16 | uint32_t(entry[1]) << 8 | entry[2];
    return rgb == 0 ? 0 : 0xFF000000u | rgb;
}

uint8_t StripIndex(int row, int column)
{
    return ImagePixels(font_strip_data, 16)[row * FONT_STRIP_WIDTH + column];
}

// Left column of character k of a line, from the glyph widths.
int PenBefore(const char* line, int k)
{
    int pen = LINE_LEFT;
    for (int i = 0; i < k; ++i) pen += WidthOf(line[i]);
    return pen;
}

class PageComposition : public PagerOnDevice {
protected:
    void SetUp() override
    {
        PagerOnDevice::SetUp();
        FillTexels(page_texture, SENTINEL);
    }

    // Checks that the page starting at text index `first` is drawn box by box, and that every
    // texel outside the boxes (row padding included) still holds the sentinel.
    void ExpectPageDrawn(int first)
    {
        const TexelSnapshot page = ReadTexels(page_texture);
        ASSERT_GE(page.stride, PAGE_TEXTURE_SIZE);
        std::vector<bool> written(page.texels.size(), false);
        for (int line = 0; line < 6; ++line) {
            const char* text = page_text + first + line * LINE_LENGTH;
            const int top = FIRST_LINE_TOP + LINE_SPACING * line;
            for (int k = 0; k < LINE_LENGTH; ++k) {
                const int pen = PenBefore(text, k);
                const int g = GlyphOf(text[k]);
                for (int r = 0; r < GLYPH_ROWS; ++r) {
                    for (int c = 0; c < WidthOf(text[k]) && pen + c < PAGE_TEXTURE_SIZE; ++c) {
                        written[(top + r) * page.stride + pen + c] = true;
                        const uint32_t texel = page.At(top + r, pen + c);
                        if (g >= 0) {
                            ASSERT_EQ(texel, FontTexel(StripIndex(r, glyph_x[g] + c)))
                                << "line " << line << " char " << k << " row " << r << " col " << c;
                        } else {
                            ASSERT_NE(texel, SENTINEL) << "box of a character the font lacks";
                        }
                    }
                }
            }
        }
        for (size_t i = 0; i < page.texels.size(); ++i) {
            if (!written[i]) {
                ASSERT_EQ(page.texels[i], SENTINEL)
                    << "row " << i / page.stride << " column " << i % page.stride;
            }
        }
    }
};

}  // namespace

TEST_F(PageComposition, SevenPagesInARowMatchTheFontStripBoxByBox)
{
    for (int p = 0; p < 7; ++p) {
        FillTexels(page_texture, SENTINEL);
        ComposePage();
        EXPECT_EQ(text_cursor, uint32_t((p + 1) * CHARS_PER_PAGE));
        ExpectPageDrawn(p * CHARS_PER_PAGE);
        if (HasFatalFailure()) return;
    }
}

TEST_F(PageComposition, TexelsAreTransparentBlackOrOpaqueGrey)
{
    ComposePage();
    const TexelSnapshot page = ReadTexels(page_texture);
    int white = 0, edge = 0;
    for (int r = FIRST_LINE_TOP; r < FIRST_LINE_TOP + 6 * LINE_SPACING; ++r) {
        for (int c = 0; c < PAGE_TEXTURE_SIZE; ++c) {
            const uint32_t t = page.At(r, c);
            if (t == 0 || t == SENTINEL) continue;
            ASSERT_EQ(t >> 24, 0xFFu);
            ASSERT_EQ(t & 0xFF, (t >> 8) & 0xFF);
            ASSERT_EQ(t & 0xFF, (t >> 16) & 0xFF);
            (t == 0xFFFFFFFFu ? white : edge) += 1;
        }
    }
    EXPECT_GT(white, 500);
    EXPECT_GT(edge, 50);  // anti-aliased edges in darker greys
}

TEST_F(PageComposition, NarrowAndWideGlyphsMoveThePenByTheirWidths)
{
    // A "wi" in the text: the wide "w" (17 texels) moves the pen to the "i", the narrow "i"
    // (4 texels) to the glyph after it.
    int first = -1, line = -1, w = -1;
    for (int at = 0; at + 2 < 1512 && w < 0; ++at) {
        if (page_text[at] == 'w' && page_text[at + 1] == 'i' &&
            at % LINE_LENGTH + 2 < LINE_LENGTH) {
            first = at / CHARS_PER_PAGE * CHARS_PER_PAGE;
            line = at % CHARS_PER_PAGE / LINE_LENGTH;
            w = at % LINE_LENGTH;
        }
    }
    ASSERT_GE(w, 0);
    ASSERT_EQ(WidthOf('w'), 17);
    ASSERT_EQ(WidthOf('i'), 4);
    const char* text = page_text + first + line * LINE_LENGTH;
    const int top = FIRST_LINE_TOP + LINE_SPACING * line;
    text_cursor = first;
    ComposePage();
    const TexelSnapshot page = ReadTexels(page_texture);

    int pen = PenBefore(text, w);
    for (int k = w; k < w + 3; ++k) {
        const int g = GlyphOf(text[k]);
        ASSERT_GE(g, 0);
        for (int r = 0; r < GLYPH_ROWS; ++r) {
            for (int c = 0; c < WidthOf(text[k]); ++c) {
                ASSERT_EQ(page.At(top + r, pen + c), FontTexel(StripIndex(r, glyph_x[g] + c)))
                    << text[k] << " row " << r << " column " << c;
            }
        }
        pen += k == w ? 17 : k == w + 1 ? 4 : 0;
    }
}

TEST_F(PageComposition, LineOfBlanksWritesOnlyTransparentTexelsUpToColumn511)
{
    text_cursor = CHARS_PER_PAGE;  // the second page starts with a blank line
    ASSERT_EQ(std::string(page_text + CHARS_PER_PAGE, LINE_LENGTH), std::string(LINE_LENGTH, ' '));
    ComposePage();
    const TexelSnapshot page = ReadTexels(page_texture);
    for (int r = FIRST_LINE_TOP; r < FIRST_LINE_TOP + GLYPH_ROWS; ++r) {
        for (int c = 0; c < page.stride; ++c) {
            const uint32_t expected = (c >= LINE_LEFT && c < PAGE_TEXTURE_SIZE) ? 0 : SENTINEL;
            ASSERT_EQ(page.At(r, c), expected) << "row " << r << " col " << c;
        }
    }
}

TEST_F(PageComposition, CharacterTheFontLacksIsADiamondAsWideAsTheBlank)
{
    const int first = 6 * CHARS_PER_PAGE;
    int line = -1;
    for (int l = 0; l < 6 && line < 0; ++l) {
        if (page_text[first + l * LINE_LENGTH] == '*') line = l;
    }
    ASSERT_GE(line, 0);
    text_cursor = first;
    ComposePage();
    const TexelSnapshot page = ReadTexels(page_texture);
    const int top = FIRST_LINE_TOP + LINE_SPACING * line;
    EXPECT_EQ(page.At(top + 13, LINE_LEFT + 6), 0xFFFFFFFFu);  // the middle
    EXPECT_EQ(page.At(top, LINE_LEFT), 0u);                    // the corners
    EXPECT_EQ(page.At(top + 23, LINE_LEFT + 13), 0u);
    EXPECT_EQ(page.At(top + 13, LINE_LEFT + 13), 0u);
    // The next character's box starts 14 columns on, as after a blank.
    const char next = page_text[first + line * LINE_LENGTH + 1];
    ASSERT_EQ(next, ' ');
    for (int r = 0; r < GLYPH_ROWS; ++r) {
        for (int c = 0; c < 14; ++c) ASSERT_EQ(page.At(top + r, LINE_LEFT + 14 + c), 0u);
    }
}

TEST_F(PageComposition, CursorPastTheTextStartsAgainAtTheFirstPage)
{
    text_cursor = 1512;
    ComposePage();
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
    ExpectPageDrawn(0);
}

TEST_F(PageComposition, ATextureThatCannotBeLockedIsLeftAlone)
{
    D3DLOCKED_RECT held{};
    ASSERT_TRUE(SUCCEEDED(page_texture->LockRect(0, &held, nullptr, 0)));
    D3DLOCKED_RECT second{};
    ASSERT_TRUE(FAILED(page_texture->LockRect(0, &second, nullptr, 0)))
        << "the device lets a locked texture be locked again";

    ComposePage();
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));  // the page is passed over
    ClearPage();
    pager_state = PAGER_COMPOSE;
    AdvancePager();  // the pager goes on with its timeline
    EXPECT_EQ(pager_state, PAGER_REVEAL);
    page_texture->UnlockRect(0);

    const TexelSnapshot page = ReadTexels(page_texture);
    for (uint32_t t : page.texels) ASSERT_EQ(t, SENTINEL);
}

TEST_F(PageComposition, ClearSetsEveryTexelOfTheTextureAndNothingBeyond)
{
    ComposePage();
    ClearPage();
    const TexelSnapshot page = ReadTexels(page_texture);
    for (int r = 0; r < PAGE_TEXTURE_SIZE; ++r) {
        for (int c = 0; c < page.stride; ++c) {
            ASSERT_EQ(page.At(r, c), c < PAGE_TEXTURE_SIZE ? 0u : SENTINEL)
                << "row " << r << " col " << c;
        }
    }
}

TEST_F(PageComposition, MissingTextureWritesNothingAndKeepsTheTimeline)
{
    IDirect3DTexture9* kept = page_texture;
    page_texture = nullptr;
    ComposePage();
    ClearPage();
    page_texture = kept;
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
    const TexelSnapshot page = ReadTexels(page_texture);
    for (uint32_t t : page.texels) ASSERT_EQ(t, SENTINEL);
}
