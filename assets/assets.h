// The embedded data: every asset is made by a generator in assets/ at build time and
// compiled into the executable. Each image is a RIFF palette (24-byte header, then the
// entries as red, green, blue, flags) immediately followed by one palette index per pixel,
// rows top to bottom, packed.
#pragma once

#include <cstdint>

constexpr int RIFF_PALETTE_HEADER = 24;

// Sprite sheet: 32 entries, 256 x 256 pixels (three bubbles, large to small, left column).
constexpr int SPRITE_SHEET_ENTRIES = 32;
constexpr int SPRITE_SHEET_SIZE = 256;
extern const uint8_t sprite_sheet_data[RIFF_PALETTE_HEADER + 4 * 32 + 256 * 256];

// Panel images: the left and right halves of one 1024 x 512 picture, 256 entries each.
constexpr int PANEL_ENTRIES = 256;
constexpr int PANEL_SIZE = 512;
extern const uint8_t left_panel_data[RIFF_PALETTE_HEADER + 4 * 256 + 512 * 512];
extern const uint8_t right_panel_data[RIFF_PALETTE_HEADER + 4 * 256 + 512 * 512];

// Font strip: 16 grey entries (font_palette), 800 x 30 pixels, glyphs in rows 1..24.
constexpr int FONT_STRIP_WIDTH = 800;
constexpr int FONT_STRIP_ROWS = 30;
extern const uint8_t font_strip_data[RIFF_PALETTE_HEADER + 4 * 16 + 800 * 30];

// Glyph tables and the page text.
extern const char glyph_chars[45];
extern const int32_t glyph_x[45];
extern const char page_text[1513];

// The module the intro plays.
constexpr int32_t EMBEDDED_MODULE_SIZE = 57056;
extern const uint8_t embedded_module[EMBEDDED_MODULE_SIZE];

// Where the palette entries and the pixels of an image start.
inline const uint8_t* PaletteEntries(const uint8_t* image) { return image + RIFF_PALETTE_HEADER; }
inline const uint8_t* ImagePixels(const uint8_t* image, int entries)
{
    return image + RIFF_PALETTE_HEADER + 4 * entries;
}
