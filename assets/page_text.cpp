// The words the pager shows: seven pages of six lines of 36 characters, stored back to back.
// They greet the audience, set the mood of the sea picture and the music, tell what this intro
// is and how it was made, send greetings and say goodbye. Glyphs differ in width, so each line
// is centred by its ink, not by its character count: its leading blanks (14 texels each) put
// the middle of its first and last inked columns as near the page's centre column as they can.
// Characters are those of the font (glyph_chars), plus a "*" bullet at the start of three
// lines of the last page, whose words line up as a list and are long enough to be centred too.
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
    "                                    "
    "        welcome aboard              "
    "       the tide is turning          "
    "      and the moon is rising        "
    "    over the sea of orvanthe        "
    "                                    "
    // page 2
    "                                    "
    "       this is a small intro:       "
    "  one little program that paints    "
    "  the sea and plays its own song    "
    " with nothing loaded from outside   "
    "                                    "
    // page 3
    "                                    "
    "the tune was written note by note   "
    "      into a tracker module         "
    "  of four channels and six voices   "
    "      sung by a tiny mixer          "
    "        that never sleeps           "
    // page 4
    "                                    "
    " the sky - the waves - the moon     "
    "  and every letter you read here    "
    "      were painted by code          "
    "      pixel by patient pixel        "
    "                                    "
    // page 5
    "                                    "
    "       turn the sound up            "
    " lean back and watch the bubbles    "
    "       rise to the surface          "
    "     while the night drifts by      "
    "                                    "
    // page 6
    "                                    "
    "   greetings fly out to everyone    "
    "     who still writes trackers      "
    "       and small programs           "
    "       in the quiet hours           "
    "     keep the waves rolling!        "
    // page 7
    "                                    "
    "* thanks for watching and listening "
    "* press escape when the night ends  "
    "* goodbye - till the next high tide!"
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

// A run of "+" reads as a row of wide crosses ("c++" shows as "c + +").
constexpr bool HasPlusRun()
{
    for (int i = 0; i + 1 < TEXT_LENGTH; ++i) {
        if (page_text[i] == '+' && page_text[i + 1] == '+') return true;
    }
    return false;
}

static_assert(sizeof(page_text) == 1513 && page_text[TEXT_LENGTH] == '\0',
              "1512 characters and a NUL");
static_assert(CountOf('\0') == 0, "no NUL before the end");
static_assert(HasOnlyFontCharactersAndBullets(),
              "only font characters, bullets only on the last page");
static_assert(CountOf('*') == 3, "three bullets");
static_assert(!HasPlusRun(), "no runs of plus signs");

}  // namespace
