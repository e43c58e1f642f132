// xm2wav [OPTIONS] IN.xm OUT.wav
//
// Renders an XM module to a 16-bit stereo 44100 Hz WAV file, bit for bit the PCM the intro
// would hand to its sound device (see --help for the options). Without --seconds the song
// plays once through its order list, or --loops times, and ends at the exact output frame of
// the tick at which it would go back to an order already played (player/player.h);
// with --seconds S exactly S x 44100 frames are written. OUT may be "-" for standard output;
// what happens to an existing OUT is in tools/common/output_file.h. A progress line goes to
// standard error when it is a terminal, and one closing line with the length, the clipped
// samples and the peak level unless --quiet.
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "player/player.h"
#include "tools/common/load_warning_text.h"
#include "tools/common/module_file.h"
#include "tools/common/option_values.h"
#include "tools/common/song_choice.h"
#include "tools/common/song_info.h"
#include "tools/common/tool_messages.h"
#include "tools/xm2wav/parallel_render.h"
#include "tools/xm2wav/render.h"
#include "tools/xm2wav/wav_output.h"

namespace {

// A song that finds no end of its own stops after this long (each pass).
constexpr int64_t MAX_PASS_SECONDS = 30 * 60;
// With more than one job, each process mixes stretches of blocks: long enough that starting a
// process costs little against them. To a stream, this many (about 10 s), of which jobs + 1
// are held in memory; into a file, at most this many (about 20 s), shorter toward the end so
// that the processes finish together.
constexpr int32_t STREAM_CHUNK_BLOCKS = 500;
constexpr int32_t FILE_CHUNK_BLOCKS = 1000;
constexpr int64_t MAX_JOBS = 64;

constexpr char HELP[] =
    "usage: xm2wav [OPTIONS] IN.xm OUT.wav\n"
    "       xm2wav --info IN.xm\n"
    "Renders an XM module to a 16-bit stereo 44100 Hz WAV file with the intro's own player,\n"
    "byte for byte what the intro would play. OUT may be - for standard output.\n"
    "\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "  -i, --info             show the module's title, tracker, channels, orders, patterns,\n"
    "                         instruments and samples, frequency table, initial speed and BPM\n"
    "                         and length, and render nothing\n"
    "  -l, --loops N          play the song N times (default 1); the render ends at the exact\n"
    "                         frame where the song would go back to an order already played\n"
    "  -t, --seconds S        render exactly S seconds (S x 44100 frames), however the song\n"
    "                         goes on; not with --loops; at most 24347 (what a WAV file holds)\n"
    "      --fade S           fade out linearly over the last S seconds of the render (applied\n"
    "                         after the player; the rest is the player's own PCM)\n"
    "      --gain DB          scale the mix by DB decibels (-48 to 24, default 0: the player's\n"
    "                         own PCM) before its conversion to 16 bits\n"
    "  -s, --start-order N    start at order N (orders count from 0, as trackers show them);\n"
    "                         the orders before it count as played\n"
    "  -m, --mute LIST        silence these channels (from 1: 1,3,5-8)\n"
    "      --solo LIST        silence every channel but these\n"
    "  -j, --jobs N           render on N processes at once (default: the number of\n"
    "                         processors); the bytes are the same for every N. On Windows\n"
    "                         the render always runs on one process\n"
    "  -f, --force            replace OUT if it is an existing file\n"
    "      --strict           refuse a damaged module (any loader warning): exit 1\n"
    "  -q, --quiet            no progress line and no closing line\n"
    "\n"
    "OUT: a new file is written under a temporary name in its folder and renamed at the end;\n"
    "an existing file is replaced only with --force (keeping its mode), never a read-only one\n"
    "or the input itself; a FIFO, a character device (/dev/null) or - is written directly; a\n"
    "symbolic link is followed. Interrupted (Ctrl-C, SIGTERM, SIGHUP), nothing is left behind.\n"
    "Warnings about a damaged module go to standard error; the render goes on.\n"
    "The closing line gives the length, the samples that hit the 16-bit limits (clipped) and\n"
    "the peak level of the player's PCM; when samples clipped, the --gain that avoids it.\n"
    "Exit status: 0 done, 1 failed (input, output, --strict), 2 wrong usage.\n"
    "\n"
    "Examples:\n"
    "  xm2wav song.xm song.wav                  the whole song, once through\n"
    "  xm2wav -l 2 --fade 5 song.xm song.wav    twice through, fading out over 5 s\n"
    "  xm2wav -t 30 -f song.xm song.wav         exactly 30 s, replacing song.wav\n"
    "  xm2wav --solo 1,2 song.xm - | aplay      channels 1 and 2 only, to a player\n"
    "  xm2wav -i song.xm                        what the module holds and how long it lasts\n";

struct Options {
    std::string input;
    std::string output;
    bool info = false;
    bool force = false;
    bool quiet = false;
    bool fixed_length = false;
    double seconds = 0.0;
    bool loops_given = false;
    int64_t loops = 1;
    double fade_seconds = 0.0;
    double gain_db = 0.0;
    int64_t jobs = 0;  // 0: the default
    SongChoice song;  // start order, muted or solo channels, --strict
};

void Say(const std::string& subject, const std::string& text) { SayFor("xm2wav", subject, text); }

int UsageError(const std::string& subject, const std::string& reason)
{
    return UsageErrorFor("xm2wav", subject, reason);
}

enum LongOnly { OPTION_FADE = OPTION_TOOL_FIRST, OPTION_GAIN };

// A WAV file's data size is a 32-bit count: renders of fixed length are limited to whole
// seconds that fit.
const double MAX_WAV_SECONDS = static_cast<double>(MAX_WAV_FRAMES / MIX_RATE);

// Returns -1 when the options are usable, else the exit status (0 after --help/--version).
int ParseOptions(int argc, char** argv, Options* options)
{
    static const option LONG_OPTIONS[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {"info", no_argument, nullptr, 'i'},
        {"loops", required_argument, nullptr, 'l'},
        {"seconds", required_argument, nullptr, 't'},
        {"fade", required_argument, nullptr, OPTION_FADE},
        {"gain", required_argument, nullptr, OPTION_GAIN},
        {"start-order", required_argument, nullptr, 's'},
        {"mute", required_argument, nullptr, 'm'},
        {"solo", required_argument, nullptr, OPTION_SOLO},
        {"jobs", required_argument, nullptr, 'j'},
        {"force", no_argument, nullptr, 'f'},
        {"strict", no_argument, nullptr, OPTION_STRICT},
        {"quiet", no_argument, nullptr, 'q'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;
    int choice;
    std::string reason;
    while ((choice = getopt_long(argc, argv, ":hVil:t:s:m:j:fq", LONG_OPTIONS, nullptr)) != -1) {
        switch (choice) {
        case 'i': options->info = true; break;
        case 'f': options->force = true; break;
        case 'q': options->quiet = true; break;
        case 'l':
            if (!ParseWholeNumber(optarg, 1, 1000, &options->loops, &reason)) {
                return UsageError("--loops", reason);
            }
            options->loops_given = true;
            break;
        case 't':
            if (!ParseSecondsUpTo(optarg, MAX_WAV_SECONDS, "the most a WAV file holds",
                                  &options->seconds, &reason)) {
                return UsageError("--seconds", reason);
            }
            options->fixed_length = true;
            break;
        case 'j':
            if (!ParseWholeNumber(optarg, 1, MAX_JOBS, &options->jobs, &reason)) {
                return UsageError("--jobs", reason);
            }
            break;
        case OPTION_FADE:
            if (!ParseSeconds(optarg, &options->fade_seconds, &reason)) {
                return UsageError("--fade", reason);
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
        default: return AnswerCommonOption("xm2wav", INTRO_VERSION, HELP, choice, argv);
        }
    }
    std::vector<std::string> files(argv + optind, argv + argc);
    if (options->fixed_length && options->loops_given) {
        return UsageError("--loops", "not with --seconds, which gives the exact length");
    }
    if (options->info) {
        if (files.size() != 1) return UsageError("--info", "takes one module: xm2wav --info IN.xm");
        options->input = files[0];
        return -1;
    }
    if (files.size() != 2) {
        return UsageError(files.size() < 2 ? "missing files" : "too many files",
                          "xm2wav [OPTIONS] IN.xm OUT.wav");
    }
    options->input = files[0];
    options->output = files[1];
    return -1;
}

// What the render writes, and what it measured of the player's PCM on the way.
struct Session {
    WavOutput* output;
    bool show_progress;
    int64_t total_frames;
    int64_t fade_frames;  // the last fade_frames of total_frames fade out
    int64_t frames_done;
    int64_t clipped;
    int32_t peak;
    std::vector<int16_t> faded;
    float loudest_clipped;  // the largest magnitude of the mix in the blocks that clipped
    int64_t shown_frames;   // where the progress line stood last
};

// The clipped samples and the peak of the PCM, and how far the mix went past the limits,
// read from the float mix only in a block that clipped. Without branches and with the
// figures in locals, so that the compiler can use vectors.
void Measure(const int16_t* pcm, const float* mix, int32_t frames, int64_t* clipped_samples,
             int32_t* peak_level, float* loudest_clipped)
{
    int32_t clipped = 0;
    int32_t peak = *peak_level;
    for (int32_t i = 0; i < frames * 2; ++i) {
        int32_t value = pcm[i];
        clipped += (value == 32767) | (value == -32768);
        int32_t level = value < 0 ? -value : value;
        peak = level > peak ? level : peak;
    }
    *clipped_samples += clipped;
    *peak_level = peak;
    if (clipped == 0) return;
    for (int32_t i = 0; i < frames * 2; ++i) {
        *loudest_clipped = std::max(*loudest_clipped, std::fabs(mix[i]));
    }
}

bool FadeReaches(const Session& session, int64_t first_frame, int32_t frames)
{
    return session.fade_frames > 0 &&
           first_frame + frames > session.total_frames - session.fade_frames;
}

// The fade: gain (total - 1 - frame) / fade_frames over the last fade_frames frames, so that
// the last frame is silent.
void Fade(const Session& session, int64_t first_frame, int16_t* pcm, int32_t frames)
{
    int64_t fade_start = session.total_frames - session.fade_frames;
    for (int32_t i = 0; i < frames; ++i) {
        int64_t frame = first_frame + i;
        if (frame < fade_start) continue;
        double gain = static_cast<double>(session.total_frames - 1 - frame) /
                      static_cast<double>(session.fade_frames);
        for (int32_t side = 0; side < 2; ++side) {
            int16_t& value = pcm[static_cast<size_t>(i) * 2 + side];
            value = static_cast<int16_t>(std::lrint(value * gain));
        }
    }
}

// The render's blocks in order, to any output.
bool WriteBlock(const int16_t* pcm, const float* mix, int32_t frames, void* context)
{
    Session* session = static_cast<Session*>(context);
    Measure(pcm, mix, frames, &session->clipped, &session->peak, &session->loudest_clipped);
    if (FadeReaches(*session, session->frames_done, frames)) {
        session->faded.assign(pcm, pcm + static_cast<size_t>(frames) * 2);
        Fade(*session, session->frames_done, session->faded.data(), frames);
        pcm = session->faded.data();
    }
    bool written = WriteWavFrames(session->output, pcm, frames);
    session->frames_done += frames;
    return written;
}

// A stretch of the render at its place in a file, from whichever process mixed it.
bool WriteChunk(int64_t first_frame, int16_t* pcm, const float* mix, int32_t frames,
                void* context, ChunkFigures* figures)
{
    const Session* session = static_cast<const Session*>(context);
    // Block by block, as the mix is at hand only for the blocks that clipped.
    const int32_t block_frames = RenderBlockFrames();
    for (int32_t done = 0; done < frames; done += block_frames) {
        const size_t at = static_cast<size_t>(done) * 2;
        Measure(pcm + at, mix + at, std::min(block_frames, frames - done), &figures->clipped,
                &figures->peak, &figures->loudest_clipped);
    }
    if (FadeReaches(*session, first_frame, frames)) Fade(*session, first_frame, pcm, frames);
    if (WriteWavFramesAt(session->output, first_frame, pcm, frames)) return true;
    figures->error_number = errno;
    return false;
}

void ShowProgress(int64_t frames_done, const Song*, void* context)
{
    Session* session = static_cast<Session*>(context);
    if (!session->show_progress) return;
    if (frames_done - session->shown_frames < MIX_RATE / 4 && frames_done < session->total_frames)
        return;
    session->shown_frames = frames_done;
    int width = 40;
    int filled = session->total_frames > 0
                     ? static_cast<int>(width * frames_done / session->total_frames)
                     : width;
    std::fprintf(stderr, "\r[%-*s] %s", width, std::string(filled, '#').c_str(),
                 FramesAsTime(frames_done).c_str());
    std::fflush(stderr);
}

std::string PeakText(int32_t peak)
{
    if (peak == 0) return "peak -inf dBFS";
    char text[40];
    std::snprintf(text, sizeof(text), "peak %.1f dBFS", 20.0 * std::log10(peak / 32768.0));
    return text;
}

// The gain, to a tenth of a decibel below, at which the loudest value of the mix would have
// stayed below the 16-bit limits: every value rounded to at most 32766 in magnitude.
std::string AvoidingGainText(double gain_db, float loudest)
{
    if (!(loudest > 0.0f)) return "";
    const double needed = gain_db + 20.0 * std::log10(32766.0 / loudest);
    const double suggested = std::max(MIN_OUTPUT_GAIN_DB, std::floor(needed * 10.0) / 10.0);
    char text[64];
    std::snprintf(text, sizeof(text), " (--gain %.1f avoids clipping)", suggested);
    return text;
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
    // The output's refusals come first: then they are all that is said.
    WavOutput output{};
    if (!options.info) {
        OutputRules rules;
        rules.force = options.force;
        rules.input_path = options.input;
        if (!OpenWavOutput(&output, options.output, rules)) {
            Say(options.output, output.error);
            return 1;
        }
    }
    // The loader's warnings are said once: the render loads the module again quietly.
    Song* song = LoadChosenModuleSaying("xm2wav", options.input, bytes, options.song, &status);
    if (song == nullptr) {
        AbandonWavOutput(&output);
        return status;
    }
    if (!options.info) {
        for (const std::string& text : SongChoiceWarnings(options.song, song)) {
            Say(options.input, text);
        }
    }

    // The length first, by the sequencer alone: a stream's header must hold it from the start,
    // and the fade must know where the render ends.
    SongControl control = ControlForChoice(
        options.song, options.fixed_length ? 0 : static_cast<int32_t>(options.loops));
    bool ended = true;
    int64_t frames;
    if (options.fixed_length && !options.info) {
        frames = static_cast<int64_t>(std::llround(options.seconds * MIX_RATE));
    } else {
        SongControl counting = control;
        if (options.info) counting.passes = 1;
        frames =
            CountSongFrames(song, counting, MAX_PASS_SECONDS * MIX_RATE * counting.passes, &ended);
    }
    if (options.info) {
        PrintSongInfo(stdout, bytes, song, frames, ended);
        FreeSong(song);
        return 0;
    }
    if (!ended) {
        Say(options.input, "warning: the song finds no end within " +
                               std::to_string(MAX_PASS_SECONDS / 60) +
                               " minutes per pass: rendering " + FramesAsTime(frames));
    }
    // Playback may have changed the song's data (set-finetune): render from a fresh load.
    FreeSong(song);
    song = LoadModuleBytes(bytes, nullptr);
    if (song == nullptr) {
        Say(options.input, "cannot be loaded a second time");
        AbandonWavOutput(&output);
        return 1;
    }
    if (!WriteWavHeader(&output, frames, MIX_RATE)) {
        Say(options.output, output.error);
        AbandonWavOutput(&output);
        FreeSong(song);
        return 1;
    }
    const bool through_temporary = OutputCanRewind(output.output);
    Session session{&output, !options.quiet && isatty(STDERR_FILENO) != 0, frames, 0, 0, 0, 0, {},
                    0.0f, 0};
    const int64_t fade_frames = std::llround(options.fade_seconds * MIX_RATE);
    if (fade_frames > frames) {
        Say("--fade", "warning: " + FramesAsTime(fade_frames) + " is longer than the render (" +
                          FramesAsTime(frames) + "): the whole render fades");
    }
    session.fade_frames = std::min<int64_t>(frames, fade_frames);
    SetOutputGain(options.gain_db);
    ControlSong(song, control);
    const int32_t jobs =
        static_cast<int32_t>(options.jobs > 0 ? options.jobs : DefaultRenderJobs());
    std::string failure;
    int64_t rendered;
    if (jobs > 1 && through_temporary && ParallelRenderAvailable()) {
        // A file: every process writes what it mixed at its place.
        ChunkFigures figures{0, 0, 0.0f, 0};
        rendered = RenderSongIntoPlaces(song, frames, jobs, FILE_CHUNK_BLOCKS, WriteChunk,
                                        ShowProgress, &session, &figures, &failure);
        if (rendered >= 0) {
            output.frames_written += rendered;
            session.clipped = figures.clipped;
            session.peak = figures.peak;
            session.loudest_clipped = figures.loudest_clipped;
        }
    } else {
        rendered = RenderSongInParallel(song, frames, jobs, STREAM_CHUNK_BLOCKS, WriteBlock,
                                        ShowProgress, &session, &failure);
    }
    if (session.show_progress) std::fputc('\n', stderr);
    FreeSong(song);
    if (rendered < 0 || !FinishWavOutput(&output, MIX_RATE)) {
        std::string error = !failure.empty()        ? failure
                            : output.error.empty() ? "cannot write"
                                                   : output.error;
        AbandonWavOutput(&output);
        Say(options.output,
            error + (through_temporary ? " (the unfinished file was removed)" : ""));
        return 1;
    }
    if (!options.quiet) {
        Say(options.output == "-" ? "standard output" : options.output,
            FramesAsTime(rendered) + " (" + GroupedNumber(rendered) + " frames), " +
                GroupedNumber(session.clipped) + " clipped samples, " + PeakText(session.peak) +
                (session.clipped > 0 ? AvoidingGainText(options.gain_db, session.loudest_clipped)
                                     : ""));
    }
    return 0;
}
