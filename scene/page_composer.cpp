// Writing pages into page_texture: six lines of 36 glyph boxes from the font strip, and the
// clear between pages.
//
// Every texel of a glyph's w x 24 box is written, transparent ones included, so a page is
// drawn over whatever lies beneath it. Texels that would fall at column 512 or beyond (only
// blanks reach there in our text) are dropped: a texture row holds 512 texels. A character
// the font lacks (the "*" bullets of the last page) is drawn as a small diamond in a box as
// wide as the blank.
#include "scene/page_composer.h"

#include <algorithm>

#include "assets/assets.h"
#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "scene/pager_state.h"

namespace {

constexpr int GLYPH_COUNT = 44;
constexpr int BLANK_GLYPH = GLYPH_COUNT - 1;
constexpr int FONT_ENTRIES = 16;
constexpr uint32_t PAGE_TEXT_LENGTH = sizeof(page_text) - 1;
constexpr uint32_t OPAQUE_ALPHA = 0xFF000000u;

// Level 0 of page_texture while it is locked: row r starts at texels + r * stride, and only
// the first `width` texels of a row belong to the texture.
struct PageTexels {
    uint32_t* texels;
    int stride;
    int width;
};

bool LockPage(PageTexels* page)
{
    if (!page_texture) return false;
    D3DLOCKED_RECT locked{};
    if (FAILED(page_texture->LockRect(0, &locked, nullptr, 0))) return false;
    if (!locked.pBits || locked.Pitch < 4) {
        page_texture->UnlockRect(0);
        return false;
    }
    page->texels = static_cast<uint32_t*>(locked.pBits);
    page->stride = locked.Pitch / 4;
    page->width = std::min(PAGE_TEXTURE_SIZE, page->stride);
    return true;
}

// The pager texel of each font palette entry: the palette texel, made fully opaque unless it
// is 0 (black stays transparent).
struct FontTexels {
    uint32_t of_entry[FONT_ENTRIES];
};

FontTexels MakeFontTexels()
{
    FontTexels font{};
    const uint8_t* entries = PaletteEntries(font_strip_data);
    for (int i = 0; i < FONT_ENTRIES; ++i) {
        const uint32_t texel = PaletteTexel(entries + 4 * i);
        font.of_entry[i] = texel != 0 ? (texel | OPAQUE_ALPHA) : 0;
    }
    return font;
}

// Index of the glyph drawing `ch`, or -1 when the font has none (the NUL included).
int FindGlyph(char ch)
{
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        if (glyph_chars[i] == ch) return i;
    }
    return -1;
}

// The strip columns [first, end) of glyph g, kept inside the strip whatever the table says.
void GlyphColumns(int g, int* first, int* end)
{
    *first = std::clamp(static_cast<int>(glyph_x[g]), 0, FONT_STRIP_WIDTH);
    *end = std::clamp(static_cast<int>(glyph_x[g + 1]), *first, FONT_STRIP_WIDTH);
}

void DrawGlyph(const PageTexels& page, const FontTexels& font, int top, int pen, int g)
{
    int first = 0, end = 0;
    GlyphColumns(g, &first, &end);
    const uint8_t* strip = ImagePixels(font_strip_data, FONT_ENTRIES);
    const int visible = std::min(end - first, page.width - pen);
    for (int r = 0; r < GLYPH_ROWS; ++r) {
        uint32_t* row = page.texels + (top + r) * page.stride + pen;
        const uint8_t* source = strip + r * FONT_STRIP_WIDTH + first;
        for (int k = 0; k < visible; ++k) {
            const uint8_t index = source[k];
            row[k] = index < FONT_ENTRIES ? font.of_entry[index] : 0;
        }
    }
}

// A diamond bullet centred on the middle of the x-height, white with a grey rim.
void DrawBullet(const PageTexels& page, const FontTexels& font, int top, int pen, int width)
{
    constexpr float CENTRE_X = 7.0f, CENTRE_Y = 14.0f;
    const int visible = std::min(width, page.width - pen);
    for (int r = 0; r < GLYPH_ROWS; ++r) {
        uint32_t* row = page.texels + (top + r) * page.stride + pen;
        for (int k = 0; k < visible; ++k) {
            const float dx = k + 0.5f - CENTRE_X, dy = r + 0.5f - CENTRE_Y;
            const float distance = (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy);
            row[k] = distance <= 3.5f ? font.of_entry[1] : distance <= 4.5f ? font.of_entry[10] : 0;
        }
    }
}

// Width of the box drawn for a character.
int BoxWidth(int g)
{
    int first = 0, end = 0;
    GlyphColumns(g < 0 ? BLANK_GLYPH : g, &first, &end);
    return end - first;
}

}  // namespace

void ComposePage()
{
    PageTexels page{};
    const bool locked = LockPage(&page);
    const FontTexels font = MakeFontTexels();
    for (int line = 0; line < LINES_PER_PAGE; ++line) {
        const int top = FIRST_LINE_TOP + LINE_SPACING * line;
        int pen = LINE_LEFT;
        for (int k = 0; k < LINE_LENGTH; ++k) {
            // The text holds whole pages, so the end is met only between pages, where the
            // pause has already wrapped the cursor; this keeps any other cursor in bounds.
            if (text_cursor >= PAGE_TEXT_LENGTH) text_cursor = 0;
            const int g = FindGlyph(page_text[text_cursor]);
            const int width = BoxWidth(g);
            if (locked && pen < page.width) {
                if (g >= 0) {
                    DrawGlyph(page, font, top, pen, g);
                } else {
                    DrawBullet(page, font, top, pen, width);
                }
            }
            ++text_cursor;
            pen += width;
        }
    }
    if (locked) page_texture->UnlockRect(0);
}

void ClearPage()
{
    PageTexels page{};
    if (!LockPage(&page)) return;
    for (int r = 0; r < PAGE_TEXTURE_SIZE; ++r) {
        std::fill_n(page.texels + r * page.stride, page.width, 0u);
    }
    page_texture->UnlockRect(0);
}
