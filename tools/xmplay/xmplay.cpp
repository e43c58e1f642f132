// xmplay [OPTIONS] IN.xm
//
// Plays an XM module through the sound device with the intro's own audio path: PlaySong opens
// waveOut (on the SDL host's audio device), pre-fills the output ring and starts the mixing
// thread; StopSong ends it. One status line shows what is heard, read from the sync record of
// the block the device plays. q or Ctrl-C quits, space pauses, 1-9 and 0 turn channels 1-10
// off and on, the left and right arrows start again from the previous or next order; at the
// end of the song (or of the --loops passes) it stops and exits 0. It opens no window and
// needs no display.
#include <getopt.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "player/player.h"
#include "tools/common/heard_block.h"
#include "tools/common/module_file.h"
#include "tools/common/option_values.h"
#include "tools/common/song_choice.h"
#include "tools/common/tool_messages.h"
#include "tools/xmplay/status_line.h"
#include "tools/xmplay/terminal.h"

namespace {

constexpr int64_t MAX_PASS_SECONDS = 30 * 60;
constexpr auto POLL_INTERVAL = std::chrono::milliseconds(20);

constexpr char HELP[] =
    "usage: xmplay [OPTIONS] IN.xm\n"
    "Plays an XM module through the sound device with the intro's own player and audio path,\n"
    "with one status line: title, order/row, elapsed/total time, a level meter and the silent\n"
    "channels, fitted to the terminal's width.\n"
    "Keys: space pauses and resumes; 1 to 9 and 0 turn channels 1 to 10 off and on (heard\n"
    "once the two seconds already mixed have played); left and right arrows start again from\n"
    "the previous or the next order, as --start-order would; q (or Ctrl-C) quits.\n"
    "\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "  -l, --loops N          play the song N times (default 1); 0 plays it for ever\n"
    "  -s, --start-order N    start at order N (orders count from 0, as trackers show them)\n"
    "  -m, --mute LIST        silence these channels (from 1: 1,3,5-8)\n"
    "      --solo LIST        silence every channel but these\n"
    "      --gain DB          scale the mix by DB decibels (-48 to 24, default 0)\n"
    "      --strict           refuse a damaged module (any loader warning): exit 1\n"
    "  -q, --quiet            no status line\n"
    "\n"
    "The song ends where it would go back to an order already played, exactly as xm2wav's\n"
    "render of the same options ends. Without a sound device xmplay says so and exits 1; SDL's\n"
    "SDL_AUDIODRIVER chooses the device (disk, with SDL_DISKAUDIOFILE, records to a file).\n"
    "Exit status: 0 played to the end or quit with q, 1 failed, 2 wrong usage; ended by a\n"
    "signal, that signal's status.\n"
    "\n"
    "Examples:\n"
    "  xmplay song.xm                 the whole song, once\n"
    "  xmplay -l 0 song.xm            for ever\n"
    "  xmplay -s 4 --solo 1,2 song.xm from order 4, channels 1 and 2 only\n";

struct Options {
    std::string input;
    bool quiet = false;
    int64_t loops = 1;
    double gain_db = 0.0;
    SongChoice song;  // start order, muted or solo channels, --strict
};

void Say(const std::string& subject, const std::string& text) { SayFor("xmplay", subject, text); }

int UsageError(const std::string& subject, const std::string& reason)
{
    return UsageErrorFor("xmplay", subject, reason);
}

enum LongOnly { OPTION_GAIN = OPTION_TOOL_FIRST };

int ParseOptions(int argc, char** argv, Options* options)
{
    static const option LONG_OPTIONS[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {"loops", required_argument, nullptr, 'l'},
        {"start-order", required_argument, nullptr, 's'},
        {"mute", required_argument, nullptr, 'm'},
        {"solo", required_argument, nullptr, OPTION_SOLO},
        {"gain", required_argument, nullptr, OPTION_GAIN},
        {"strict", no_argument, nullptr, OPTION_STRICT},
        {"quiet", no_argument, nullptr, 'q'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;
    int choice;
    std::string reason;
    while ((choice = getopt_long(argc, argv, ":hVl:s:m:q", LONG_OPTIONS, nullptr)) != -1) {
        switch (choice) {
        case 'q': options->quiet = true; break;
        case 'l':
            if (!ParseWholeNumber(optarg, 0, 1000, &options->loops, &reason)) {
                return UsageError("--loops", reason);
            }
            break;
        case OPTION_GAIN:
            if (!ParseOutputGain(optarg, &options->gain_db, &reason)) {
                return UsageError("--gain", reason);
            }
            break;
        case 's':
        case 'm':
        case OPTION_SOLO:
        case OPTION_STRICT:
            if (!TakeSongChoiceOption(choice, optarg, &options->song, &reason)) {
                return UsageError(SongChoiceOptionName(choice), reason);
            }
            break;
        default: return AnswerCommonOption("xmplay", INTRO_VERSION, HELP, choice, argv);
        }
    }
    if (argc - optind != 1) {
        return UsageError(argc - optind < 1 ? "missing module" : "too many files",
                          "xmplay [OPTIONS] IN.xm");
    }
    options->input = argv[optind];
    return -1;
}

// What plays, and what the keys change of it: the song is started again from another order
// on a fresh load of the module, as a start order starts it.
struct Playing {
    const std::vector<uint8_t>* bytes;
    Song* song;  // none while stopped
    SongControl control;
    StatusLine line;
    int32_t channels;
    int64_t loops;
    bool paused;
};

// The total time for the control, counted on a load of its own (counting may change a song's
// data: set-finetune). A song without an end of its own plays on for ever, like --loops 0.
void CountTotal(Playing* playing)
{
    playing->control.passes = static_cast<int32_t>(playing->loops);
    playing->line.total_frames = 0;
    if (playing->loops == 0) return;
    Song* song = LoadModuleBytes(*playing->bytes, nullptr);
    if (song == nullptr) return;
    bool ended = false;
    const int64_t frames = CountSongFrames(song, playing->control,
                                           MAX_PASS_SECONDS * MIX_RATE * playing->loops, &ended);
    FreeSong(song);
    if (ended) {
        playing->line.total_frames = frames;
    } else {
        playing->control.passes = 0;
    }
}

// Loads the module afresh and plays it under the control. False with the reason.
bool StartPlaying(Playing* playing, std::string* reason)
{
    playing->song = LoadModuleBytes(*playing->bytes, nullptr);
    if (playing->song == nullptr) {
        *reason = "cannot be loaded a second time";
        return false;
    }
    ControlSong(playing->song, playing->control);
    if (!PlaySong(playing->song)) {
        StopSong(playing->song);  // gives back whatever PlaySong had opened
        FreeSong(playing->song);
        playing->song = nullptr;
        *reason = "no sound device: cannot play (SDL_AUDIODRIVER chooses one)";
        return false;
    }
    if (playing->paused) PauseSong(true);
    return true;
}

void StopPlaying(Playing* playing)
{
    if (playing->song == nullptr) return;
    StopSong(playing->song);
    FreeSong(playing->song);
    playing->song = nullptr;
}

// Starts again from `order`, the ring mixed anew from there, the silent channels kept.
bool JumpToOrder(Playing* playing, int32_t order, std::string* reason)
{
    StopPlaying(playing);
    playing->control.start_order = order;
    playing->control.muted_channels = ControlledMutedChannels();
    CountTotal(playing);
    return StartPlaying(playing, reason);
}

// 1..9 and 0: channels 1..10; -1 for any other key.
int32_t ChannelOfKey(int key)
{
    if (key >= '1' && key <= '9') return key - '1';
    if (key == '0') return 9;
    return -1;
}

struct Outcome {
    int end_signal;      // 0: the song ended, or q
    std::string failed;  // why playing could not go on
};

// Plays until the end, q, an end signal or a failure.
Outcome PlayUntilDone(Playing* playing, bool show_status)
{
    const SongProgress& progress = ControlledSongProgress();
    while (true) {
        if (EndSignal() != 0) return {EndSignal(), ""};
        const int key = ReadKey();
        if (key == 'q' || key == 'Q') return {0, ""};
        if (key == ' ') {
            playing->paused = !playing->paused;
            PauseSong(playing->paused);
        }
        const int32_t channel = ChannelOfKey(key);
        if (channel >= 0 && channel < playing->channels) {
            SetControlledMutedChannels(ControlledMutedChannels() ^ (1u << channel));
        }
        PlayPosition heard{};
        const int16_t* pcm = nullptr;
        int32_t frames = 0;
        if (!HeardPosition(&heard, &pcm, &frames)) return {0, "the sound device stopped"};
        if (key == KEY_LEFT || key == KEY_RIGHT) {
            const int32_t order = heard.order + (key == KEY_LEFT ? -1 : 1);
            if (order >= 0 && order < playing->line.orders) {
                std::string reason;
                if (!JumpToOrder(playing, order, &reason)) return {0, reason};
                continue;
            }
        }
        // Everything up to the end has been played once the device plays a block past it.
        if (progress.ended.load() && heard.frame >= progress.end_frame.load()) return {0, ""};
        if (show_status) {
            const StatusNow now{heard.order,
                                heard.row,
                                heard.frame,
                                BlockPeak(pcm, frames),
                                ControlledMutedChannels(),
                                playing->channels,
                                playing->paused};
            std::string text = FormatStatus(playing->line, now, TerminalColumns());
            std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
            std::fflush(stderr);
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    int status = ParseOptions(argc, argv, &options);
    if (status >= 0) return status;

    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadModuleFile(options.input, &bytes, &reason)) {
        Say(options.input, reason);
        return 1;
    }
    Song* song = LoadChosenModuleSaying("xmplay", options.input, bytes, options.song, &status);
    if (song == nullptr) return status;
    for (const std::string& text : SongChoiceWarnings(options.song, song)) {
        Say(options.input, text);
    }
    Playing playing{&bytes,
                    nullptr,
                    ControlForChoice(options.song, static_cast<int32_t>(options.loops)),
                    StatusLine{ModuleTitle(bytes), SongLength(song), 0},
                    song->channel_count,
                    options.loops,
                    false};
    FreeSong(song);
    CountTotal(&playing);
    SetOutputGain(options.gain_db);

    TakeTerminal();
    if (!StartPlaying(&playing, &reason)) {
        GiveBackTerminal();
        Say(options.input, reason);
        return 1;
    }
    const bool show_status = !options.quiet && isatty(STDERR_FILENO) != 0;
    const Outcome outcome = PlayUntilDone(&playing, show_status);
    StopPlaying(&playing);
    if (show_status) std::fputc('\n', stderr);
    GiveBackTerminal();
    if (!outcome.failed.empty()) {
        Say(options.input, outcome.failed);
        return 1;
    }
    if (outcome.end_signal != 0) EndBySignal(outcome.end_signal);
    return 0;
}
