// xm2wav IN.xm OUT.wav [--seconds S]
//
// Renders an XM module to a 16-bit stereo 44100 Hz WAV file, bit for bit the PCM the intro
// would hand to its sound device. Without --seconds the song plays once through its order
// list: rendering stops after the block in which the song first comes back to an order it has
// already played (the natural end wrapping to the restart position, or a jump or break back),
// and after 30 minutes at most. With --seconds S exactly S × 44100 frames are written.
// OUT may be "-" for standard output. A progress line goes to standard error when it is a
// terminal; otherwise only errors are printed.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "player/audio_settings.h"
#include "player/playback.h"
#include "player/song.h"
#include "player/song_lifetime.h"
#include "player/source.h"
#include "tools/xm2wav/render.h"
#include "tools/xm2wav/wav_output.h"

namespace {

constexpr int64_t MAX_SONG_SECONDS = 30 * 60;
constexpr int64_t MAX_INPUT_BYTES = 256ll << 20;
constexpr char XM_ID[] = "Extended Module: ";

struct Options {
    std::string input;
    std::string output;
    bool fixed_length = false;
    double seconds = 0.0;
};

void Fail(const std::string& subject, const std::string& reason)
{
    std::fprintf(stderr, "xm2wav: %s: %s\n", subject.c_str(), reason.c_str());
}

int Usage()
{
    std::fprintf(
        stderr, "usage: xm2wav IN.xm OUT.wav [--seconds S]   (OUT may be - for standard output)\n");
    return 2;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--seconds") {
            if (i + 1 >= argc) return false;
            char* end = nullptr;
            options->seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(options->seconds >= 0.0) ||
                options->seconds > 24.0 * 3600.0) {
                return false;
            }
            options->fixed_length = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) return false;
    options->input = files[0];
    options->output = files[1];
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *reason = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        bytes->insert(bytes->end(), chunk, chunk + got);
        if (static_cast<int64_t>(bytes->size()) > MAX_INPUT_BYTES) {
            std::fclose(file);
            *reason = "file too large for a module";
            return false;
        }
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *reason = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Loads through the buffer source, the same loader path the intro takes.
Song* LoadFromBytes(const std::vector<uint8_t>& bytes)
{
    MemoryBuffer buffer{bytes.data(), static_cast<int32_t>(bytes.size())};
    return LoadSong(&buffer, nullptr);
}

struct Session {
    WavOutput* output;
    bool show_progress;
    int64_t total_frames;  // 0 when not known in advance
};

bool WriteBlock(const int16_t* pcm, int32_t frames, void* context)
{
    Session* session = static_cast<Session*>(context);
    return session->output == nullptr || WriteWavFrames(session->output, pcm, frames);
}

void ShowProgress(int64_t frames_done, const Song* song, void* context)
{
    Session* session = static_cast<Session*>(context);
    if (!session->show_progress || frames_done % (MIX_RATE / 4) >= block_frames) return;
    double seconds = static_cast<double>(frames_done) / MIX_RATE;
    if (session->total_frames > 0) {
        int width = 40;
        int filled = static_cast<int>(width * frames_done / session->total_frames);
        std::fprintf(stderr, "\r[%-*s] %5.1f s", width, std::string(filled, '#').c_str(), seconds);
    } else {
        std::fprintf(stderr, "\rorder %3d/%-3d row %2d  %6.1f s", song->order + 1,
                     song->song_length, song->row, seconds);
    }
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) return Usage();

    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadWholeFile(options.input, &bytes, &reason)) {
        Fail(options.input, reason);
        return 1;
    }
    if (bytes.size() < sizeof(XM_ID) - 1 ||
        std::memcmp(bytes.data(), XM_ID, sizeof(XM_ID) - 1) != 0) {
        Fail(options.input, "not an XM module (no \"Extended Module: \" header)");
        return 1;
    }
    RegisterBufferSource();
    Song* song = LoadFromBytes(bytes);
    if (song == nullptr) {
        Fail(options.input, "the module is damaged or unsupported and could not be loaded");
        return 1;
    }

    RenderLimits limits;
    limits.max_frames = options.fixed_length
                            ? static_cast<int64_t>(std::llround(options.seconds * MIX_RATE))
                            : MAX_SONG_SECONDS * MIX_RATE;
    limits.stop_at_repeat = !options.fixed_length;
    Session session{nullptr, isatty(STDERR_FILENO) != 0,
                    options.fixed_length ? limits.max_frames : 0};

    int64_t frames = limits.max_frames;
    if (!options.fixed_length && options.output == "-") {
        // Standard output cannot be rewound to fix the header: count the frames first, on a
        // fresh load, since playback may change the song's data (set-finetune).
        Session counting{nullptr, false, 0};
        frames = RenderSong(song, limits, WriteBlock, nullptr, &counting);
        FreeSong(song);
        song = LoadFromBytes(bytes);
        if (song == nullptr) {
            Fail(options.input, "the module could not be loaded a second time");
            return 1;
        }
        limits.max_frames = frames;
    }

    WavOutput output{};
    if (!OpenWavOutput(&output, options.output, frames, MIX_RATE)) {
        Fail(options.output, output.error);
        AbandonWavOutput(&output);
        FreeSong(song);
        return 1;
    }
    session.output = &output;
    int64_t rendered = RenderSong(song, limits, WriteBlock, ShowProgress, &session);
    if (session.show_progress) std::fputc('\n', stderr);
    FreeSong(song);
    if (rendered < 0 || !FinishWavOutput(&output, MIX_RATE)) {
        Fail(options.output, output.error.empty() ? "cannot write" : output.error);
        AbandonWavOutput(&output);
        return 1;
    }
    return 0;
}
