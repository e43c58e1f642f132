// Draws the font strip (magnified) and the seven text pages as the pager lays them out into
// one PPM picture, so that the glyphs can be looked at. Characters the font lacks (the
// bullets) are left blank here; the pager draws them as diamonds.
//
// Usage: font_preview OUTPUT.ppm [MAGNIFICATION]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/assets.h"
#include "gfx/scene_layout.h"

namespace {

// Of each page only texture rows 145..304, which hold the six lines, are shown.
constexpr int PAGE_ROWS = 160;
constexpr int PAGE_TOP = 145;
constexpr int PAGES = 7;

struct Picture {
    int width, height;
    std::vector<uint8_t> grey;
    void Set(int x, int y, uint8_t v)
    {
        if (x >= 0 && x < width && y >= 0 && y < height) grey[y * width + x] = v;
    }
};

uint8_t StripGrey(int row, int column)
{
    const uint8_t index = ImagePixels(font_strip_data, 16)[row * FONT_STRIP_WIDTH + column];
    return index < 16 ? PaletteEntries(font_strip_data)[4 * index] : 0;
}

int GlyphIndex(char c)
{
    for (int i = 0; i < 44; ++i) {
        if (glyph_chars[i] == c) return i;
    }
    return 43;  // shown as the blank
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: font_preview OUTPUT.ppm [MAGNIFICATION]\n");
        return 1;
    }
    const int zoom = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const int strip_width = glyph_x[44];
    // As wide as the magnified strip, and at least two pages side by side.
    const int width = std::max(PAGE_TEXTURE_SIZE * 2, strip_width * zoom);
    Picture picture{width, FONT_STRIP_ROWS * zoom + 8 + (PAGES + 1) / 2 * PAGE_ROWS, {}};
    picture.grey.assign(picture.width * picture.height, 40);

    for (int r = 0; r < FONT_STRIP_ROWS; ++r) {
        for (int c = 0; c < strip_width; ++c) {
            for (int z = 0; z < zoom * zoom; ++z)
                picture.Set(c * zoom + z % zoom, r * zoom + z / zoom, StripGrey(r, c));
        }
    }
    const int pages_top = FONT_STRIP_ROWS * zoom + 8;
    for (int page = 0; page < PAGES; ++page) {
        const int ox = (page % 2) * PAGE_TEXTURE_SIZE;
        const int oy = pages_top + (page / 2) * PAGE_ROWS;
        for (int y = 0; y < PAGE_ROWS; ++y) {
            for (int x = 0; x < PAGE_TEXTURE_SIZE; ++x) picture.Set(ox + x, oy + y, 0);
        }
        for (int line = 0; line < LINES_PER_PAGE; ++line) {
            const int top = FIRST_LINE_TOP + LINE_SPACING * line - PAGE_TOP;
            int pen = LINE_LEFT;
            for (int k = 0; k < LINE_LENGTH; ++k) {
                const int g = GlyphIndex(page_text[page * CHARS_PER_PAGE + line * LINE_LENGTH + k]);
                const int width = glyph_x[g + 1] - glyph_x[g];
                for (int r = 0; r < GLYPH_ROWS; ++r) {
                    for (int w = 0; w < width && pen + w < PAGE_TEXTURE_SIZE; ++w) {
                        picture.Set(ox + pen + w, oy + top + r, StripGrey(r, glyph_x[g] + w));
                    }
                }
                pen += width;
            }
        }
    }
    FILE* file = std::fopen(argv[1], "wb");
    if (!file) return 1;
    std::fprintf(file, "P5\n%d %d\n255\n", picture.width, picture.height);
    std::fwrite(picture.grey.data(), 1, picture.grey.size(), file);
    return std::fclose(file) == 0 ? 0 : 1;
}
