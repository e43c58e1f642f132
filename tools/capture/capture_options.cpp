#include "tools/capture/capture_options.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "gfx/scene_layout.h"

namespace {

constexpr double MAX_SECONDS = 24.0 * 3600.0;
constexpr int MAX_FPS = 240;
constexpr int MIN_SIDE = 64;
constexpr int MAX_SIDE = 8192;

// Whether the name ends in `extension` (lower case), in any case.
bool HasExtension(const std::string& name, const std::string& extension)
{
    if (name.size() <= extension.size()) return false;
    const size_t start = name.size() - extension.size();
    for (size_t i = 0; i < extension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[start + i])) != extension[i]) return false;
    }
    return true;
}

bool ParseWhole(const char* text, long lowest, long highest, int* value, const char** rest)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || parsed < lowest || parsed > highest) return false;
    *value = int(parsed);
    *rest = end;
    return true;
}

// "N" or "N/D".
bool ParseFps(const char* text, int* num, int* den)
{
    const char* rest = nullptr;
    *den = 1;
    if (!ParseWhole(text, 1, 1000000, num, &rest)) return false;
    if (*rest == '/' && !ParseWhole(rest + 1, 1, 1000000, den, &rest)) return false;
    const double fps = double(*num) / *den;
    return *rest == '\0' && fps >= 1.0 && fps <= MAX_FPS;
}

// "WxH", both even.
bool ParseSize(const char* text, int* width, int* height)
{
    const char* rest = nullptr;
    if (!ParseWhole(text, MIN_SIDE, MAX_SIDE, width, &rest) || *rest != 'x') return false;
    if (!ParseWhole(rest + 1, MIN_SIDE, MAX_SIDE, height, &rest) || *rest != '\0') return false;
    return *width % 2 == 0 && *height % 2 == 0;
}

}  // namespace

bool ParseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error)
{
    *options = CaptureOptions{"", CONTAINER_LOSSLESS, false,         0.0,  60,
                              1,  SCREEN_WIDTH,       SCREEN_HEIGHT, false};
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = arg == "--seconds" || arg == "--fps" || arg == "--size";
        if (valued && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        if (arg == "--seconds") {
            char* end = nullptr;
            options->seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(options->seconds > 0.0) ||
                options->seconds > MAX_SECONDS) {
                *error = "--seconds takes a length above 0 and up to 86400";
                return false;
            }
            options->fixed_length = true;
        } else if (arg == "--fps") {
            if (!ParseFps(argv[++i], &options->fps_num, &options->fps_den)) {
                *error = "--fps takes a rate from 1 to 240, whole (60) or a fraction (60000/1001)";
                return false;
            }
        } else if (arg == "--size") {
            if (!ParseSize(argv[++i], &options->width, &options->height)) {
                *error = "--size takes WIDTHxHEIGHT, both even, from 64 to 8192 (e.g. 1600x1200)";
                return false;
            }
        } else if (arg == "-f" || arg == "--force") {
            options->force = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 1) {
        *error = files.empty() ? "no output file given" : "more than one output file given";
        return false;
    }
    options->output = files[0];
    if (options->output == "-" || HasExtension(options->output, ".mkv")) {
        options->container = CONTAINER_LOSSLESS;
    } else if (HasExtension(options->output, ".mp4")) {
        options->container = CONTAINER_H264;
    } else {
        *error = options->output +
                 ": the name must end in .mkv (lossless) or .mp4 (H.264), or be - (lossless to "
                 "standard output)";
        return false;
    }
    return true;
}
