// The words the pager shows: seven pages of six lines of 36 characters, lines centred with
// blanks and stored back to back. Characters are those of the font (glyph_chars), plus a
// "*" bullet at the start of three lines of the last page, whose words line up as a list.
#include "assets/assets.h"

namespace {

constexpr int LINE_LENGTH = 36;
constexpr int LINES_PER_PAGE = 6;
constexpr int PAGE_COUNT = 7;
constexpr int TEXT_LENGTH = LINE_LENGTH * LINES_PER_PAGE * PAGE_COUNT;

}  // namespace

// The text's shape is checked below at compile time, so a wrong edit fails the build.
extern constexpr char page_text[TEXT_LENGTH + 1] =
    // page 1
    "        welcome to orvanthe         "
    "                                    "
    "     a small intro with its own     "
    "        module player and a         "
    "      software-rendered scene       "
    "                                    "
    // page 2
    "                                    "
    "     the music is an xm module      "
    "      mixed on 64 voices with       "
    "      smooth ramps (no clicks)      "
    "                                    "
    "                                    "
    // page 3
    "                                    "
    "                                    "
    "      every pixel is drawn by       "
    "    our own software rasteriser     "
    "                                    "
    "                                    "
    // page 4
    "                                    "
    "                                    "
    "     the pictures and the font      "
    "  are drawn by code at build time   "
    "                                    "
    "                                    "
    // page 5
    "                                    "
    "                                    "
    "     written in plain c++ with      "
    "     free functions and records     "
    "                                    "
    "                                    "
    // page 6
    "                                    "
    "                                    "
    "       tested frame by frame        "
    "      on a screen nobody sees       "
    "                                    "
    "                                    "
    // page 7
    "                                    "
    "*  thank you for watching!          "
    "*  press escape to leave            "
    "*  goodbye - until next time.       "
    "                                    "
    "                                    ";

namespace {

constexpr bool IsFontCharacter(char c)
{
    for (const char* g = "abcdefghijklmnopqrstuvwxyz!.()+:-0123456789 "; *g; ++g) {
        if (*g == c) return true;
    }
    return false;
}

constexpr bool HasOnlyFontCharactersAndBullets()
{
    for (int i = 0; i < TEXT_LENGTH; ++i) {
        const char c = page_text[i];
        const bool bullet = c == '*' && i % LINE_LENGTH == 0 &&
                            i / (LINE_LENGTH * LINES_PER_PAGE) == PAGE_COUNT - 1;
        if (!IsFontCharacter(c) && !bullet) return false;
    }
    return true;
}

constexpr int CountOf(char wanted)
{
    int n = 0;
    for (int i = 0; i < TEXT_LENGTH; ++i) n += page_text[i] == wanted;
    return n;
}

constexpr int BlankLines()
{
    int blank = 0;
    for (int line = 0; line < TEXT_LENGTH / LINE_LENGTH; ++line) {
        bool all_blank = true;
        for (int k = 0; k < LINE_LENGTH; ++k) all_blank &= page_text[line * LINE_LENGTH + k] == ' ';
        blank += all_blank;
    }
    return blank;
}

static_assert(sizeof(page_text) == 1513 && page_text[TEXT_LENGTH] == '\0',
              "1512 characters and a NUL");
static_assert(CountOf('\0') == 0, "no NUL before the end");
static_assert(HasOnlyFontCharactersAndBullets(),
              "only font characters, bullets only on the last page");
static_assert(CountOf('*') == 3, "three bullets");
static_assert(BlankLines() == 24, "24 of the 42 lines are blank");

}  // namespace
