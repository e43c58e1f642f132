// The scene's fixed sizes and positions, in pixels of the back buffer and texels of the
// textures: the screen, the square textures the device holds, where the panels stand when
// closed, the point the page turns about, and where the pager writes the lines of a page. The
// graphics resources are made to these sizes, the scene draws at these places, and the tests,
// benchmarks and tools lay out their pictures by them.
#pragma once

// The back buffer: every frame is drawn into 800 x 600 pixels.
constexpr int SCREEN_WIDTH = 800;
constexpr int SCREEN_HEIGHT = 600;

// The square textures: the page the pager writes, the two panel pictures, the bubble sheet.
constexpr int PAGE_TEXTURE_SIZE = 512;
constexpr int PANEL_TEXTURE_SIZE = 512;
constexpr int SPRITE_TEXTURE_SIZE = 256;

// The panels are 512 x 512 quads from row 50 down to row 562. Closed, the left panel's left
// edge is at -112 and the right panel's at 400, so they meet at column 400.
constexpr float PANEL_WIDTH = 512.0f;
constexpr float PANEL_TOP = 50.0f;
constexpr float PANEL_BOTTOM = 562.0f;
constexpr float LEFT_PANEL_CLOSED_X = -112.0f;
constexpr float RIGHT_PANEL_CLOSED_X = 400.0f;

// The page square turns and grows about this point.
constexpr double PAGE_CENTRE_X = 400.0;
constexpr double PAGE_CENTRE_Y = 310.0;

// A page of text in the page texture: six lines of 36 characters in glyph boxes 24 rows high,
// the first line's top at row 150, one line every 25 rows, each line starting at column 50.
constexpr int LINES_PER_PAGE = 6;
constexpr int LINE_LENGTH = 36;
constexpr int CHARS_PER_PAGE = LINES_PER_PAGE * LINE_LENGTH;
constexpr int GLYPH_ROWS = 24;
constexpr int FIRST_LINE_TOP = 150;
constexpr int LINE_SPACING = 25;
constexpr int LINE_LEFT = 50;
