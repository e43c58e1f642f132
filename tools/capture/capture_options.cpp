#include "tools/capture/capture_options.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gfx/scene_layout.h"
#include "player/player.h"
#include "tools/common/option_values.h"
#include "tools/common/tool_messages.h"

namespace {

constexpr int MAX_FPS = 240;
constexpr int MIN_SIDE = 64;
constexpr int MAX_SIDE = 8192;

constexpr char HELP[] =
    "usage: capture [OPTIONS] OUT.mkv|OUT.mp4|-\n"
    "Renders the intro with its music into a video file, frame by frame, faster than real\n"
    "time: every frame and every sample exactly as the intro draws and plays them.\n"
    "\n"
    "  OUT.mkv                lossless: FFV1 video (RGB) and FLAC audio, for archiving and checks\n"
    "  OUT.mp4                H.264 (CRF 18, yuv420p) and AAC 192 kb/s, for video sites\n"
    "  -                      the lossless file to standard output\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "  -f, --force            replace OUT if it is an existing file\n"
    "  -t, --seconds S        length in seconds, above 0 and up to 86400 (default: one pass of\n"
    "                         the song plus 2 s)\n"
    "      --fps F            frames per second, whole or a fraction such as 60000/1001 (default\n"
    "                         60); the scene still moves one step per frame, as on a 60 Hz\n"
    "                         display, so at other rates it runs slower or faster against the music\n"
    "      --size WxH         picture size, both even (default 800x600); the picture keeps 4:3,\n"
    "                         with black bars on other shapes (1920x1080: bars left and right)\n"
    "      --gain DB          scale the music's mix by DB decibels (-48 to 24, default 0: the\n"
    "                         intro's own PCM)\n"
    "\n"
    "The file is written under a temporary name beside OUT and renamed when complete. An\n"
    "existing file is replaced only with --force (keeping its mode), never a read-only one; a\n"
    "FIFO or - (standard output) is written straight through (.mkv only).\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage.\n";

enum LongOnly { OPTION_FPS = 256, OPTION_SIZE, OPTION_GAIN };

int UsageError(const std::string& subject, const std::string& reason)
{
    return UsageErrorFor("capture", subject, reason);
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

std::string Quoted(const char* text) { return std::string("'") + text + "'"; }

}  // namespace

int ParseCaptureOptions(int argc, char** argv, CaptureOptions* options)
{
    *options = CaptureOptions{"", CONTAINER_LOSSLESS, false,         0.0,   60,
                              1,  SCREEN_WIDTH,       SCREEN_HEIGHT, false, 0.0};
    static const option LONG_OPTIONS[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {"force", no_argument, nullptr, 'f'},
        {"seconds", required_argument, nullptr, 't'},
        {"fps", required_argument, nullptr, OPTION_FPS},
        {"size", required_argument, nullptr, OPTION_SIZE},
        {"gain", required_argument, nullptr, OPTION_GAIN},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;
    int choice;
    std::string reason;
    while ((choice = getopt_long(argc, argv, ":hVft:", LONG_OPTIONS, nullptr)) != -1) {
        switch (choice) {
        case 'f': options->force = true; break;
        case 't':
            if (!ParseSeconds(optarg, &options->seconds, &reason)) {
                return UsageError("--seconds", reason);
            }
            if (!(options->seconds > 0.0)) {
                return UsageError("--seconds", Quoted(optarg) + ": the length must be above 0");
            }
            options->fixed_length = true;
            break;
        case OPTION_FPS:
            if (!ParseFps(optarg, &options->fps_num, &options->fps_den)) {
                return UsageError("--fps", Quoted(optarg) + " is not a rate from 1 to 240, whole "
                                                            "(60) or a fraction (60000/1001)");
            }
            break;
        case OPTION_SIZE:
            if (!ParseSize(optarg, &options->width, &options->height)) {
                return UsageError("--size", Quoted(optarg) + " is not WIDTHxHEIGHT, both even, "
                                                             "from 64 to 8192 (e.g. 1600x1200)");
            }
            break;
        case OPTION_GAIN:
            if (!ParseOutputGain(optarg, &options->gain_db, &reason)) {
                return UsageError("--gain", reason);
            }
            break;
        default: return AnswerCommonOption("capture", INTRO_VERSION, HELP, choice, argv);
        }
    }
    const std::vector<std::string> files(argv + optind, argv + argc);
    if (files.size() != 1) {
        return UsageError(files.empty() ? "missing output" : "too many files",
                          "capture [OPTIONS] OUT.mkv|OUT.mp4|-");
    }
    options->output = files[0];
    if (options->output == "-" || HasExtension(options->output, ".mkv")) {
        options->container = CONTAINER_LOSSLESS;
    } else if (HasExtension(options->output, ".mp4")) {
        options->container = CONTAINER_H264;
    } else {
        return UsageError(options->output, "the name must end in .mkv (lossless) or .mp4 "
                                           "(H.264), or be - (lossless to standard output)");
    }
    return -1;
}
