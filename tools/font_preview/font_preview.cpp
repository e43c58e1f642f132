// font_preview [OPTIONS] OUT.pgm|OUT.ppm|- [MAGNIFICATION]
//
// Draws the font strip (magnified) and the seven text pages as the pager lays them out into
// one picture, so that the glyphs can be looked at: a greyscale PGM, or the same greys as an
// RGB PPM when the name ends in .ppm. Characters the font lacks (the bullets) are left blank
// here; the pager draws them as diamonds. The output is safe as xm2wav's is.
#include <getopt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "gfx/scene_layout.h"
#include "tools/common/option_values.h"
#include "tools/common/output_file.h"
#include "tools/common/tool_messages.h"

namespace {

// Of each page only texture rows 145..304, which hold the six lines, are shown.
constexpr int PAGE_ROWS = 160;
constexpr int PAGE_TOP = 145;
constexpr int PAGES = 7;
// At 8 times the strip is already wider than most screens; more only makes huge files.
constexpr int64_t MAX_MAGNIFICATION = 8;
constexpr int64_t DEFAULT_MAGNIFICATION = 2;

constexpr char HELP[] =
    "usage: font_preview [OPTIONS] OUT.pgm|OUT.ppm|- [MAGNIFICATION]\n"
    "Draws the intro's font strip, magnified (1 to 8 times, default 2), and its seven text pages\n"
    "as the pager lays them out, into one picture: greyscale PGM, or RGB PPM for a name ending\n"
    "in .ppm; - writes the PGM to standard output.\n"
    "\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "  -f, --force            replace OUT if it is an existing file\n"
    "\n"
    "OUT is written under a temporary name in its folder and renamed at the end; an existing\n"
    "file is replaced only with --force, never a read-only one.\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage.\n";

enum PictureFormat { PICTURE_PGM, PICTURE_PPM };

struct Options {
    std::string output;
    PictureFormat format = PICTURE_PGM;
    int64_t zoom = DEFAULT_MAGNIFICATION;
    bool force = false;
};

int UsageError(const std::string& subject, const std::string& reason)
{
    return UsageErrorFor("font_preview", subject, reason);
}

// Returns -1 when the options are usable, else the exit status (0 after --help/--version).
int ParseOptions(int argc, char** argv, Options* options)
{
    static const option LONG_OPTIONS[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {"force", no_argument, nullptr, 'f'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;
    int choice;
    while ((choice = getopt_long(argc, argv, ":hVf", LONG_OPTIONS, nullptr)) != -1) {
        switch (choice) {
        case 'f': options->force = true; break;
        default: return AnswerCommonOption("font_preview", INTRO_VERSION, HELP, choice, argv);
        }
    }
    const int files = argc - optind;
    if (files < 1 || files > 2) {
        return UsageError(files < 1 ? "missing output" : "too many arguments",
                          "font_preview [OPTIONS] OUT.pgm|OUT.ppm|- [MAGNIFICATION]");
    }
    options->output = argv[optind];
    if (HasExtension(options->output, ".ppm")) {
        options->format = PICTURE_PPM;
    } else if (options->output != "-" && !HasExtension(options->output, ".pgm")) {
        return UsageError(options->output, "the name must end in .pgm (greyscale) or .ppm (RGB)");
    }
    std::string reason;
    if (files == 2 && !ParseWholeNumber(argv[optind + 1], 1, MAX_MAGNIFICATION, &options->zoom,
                                        &reason)) {
        return UsageError("magnification", reason);
    }
    return -1;
}

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

// The picture as a binary PGM, or as a PPM with each grey in all three colours.
bool WritePicture(FILE* file, const Picture& picture, PictureFormat format)
{
    if (format == PICTURE_PGM) {
        std::fprintf(file, "P5\n%d %d\n255\n", picture.width, picture.height);
        return std::fwrite(picture.grey.data(), 1, picture.grey.size(), file) ==
               picture.grey.size();
    }
    std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
    std::vector<uint8_t> rgb(picture.grey.size() * 3);
    for (size_t i = 0; i < picture.grey.size(); ++i) {
        rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = picture.grey[i];
    }
    return std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const int status = ParseOptions(argc, argv, &options);
    if (status >= 0) return status;
    const int zoom = static_cast<int>(options.zoom);
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
    OutputFile output;
    OutputRules rules;
    rules.force = options.force;
    if (!OpenOutputFile(&output, options.output, rules)) {
        SayFor("font_preview", options.output, output.error);
        return 1;
    }
    if (!WritePicture(output.stream, picture, options.format)) {
        AbandonOutputFile(&output);
        SayFor("font_preview", options.output, "cannot write");
        return 1;
    }
    if (!FinishOutputFile(&output)) {
        SayFor("font_preview", options.output, output.error);
        return 1;
    }
    return 0;
}
