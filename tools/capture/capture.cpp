// capture [OPTIONS] OUT.mkv|OUT.mp4|-   (capture --help lists the options)
//
// Renders the intro offline into a video file: every frame the intro draws and every sample
// it plays, exactly, at an exact frame rate, faster than real time and the same on every run.
// Frame k is the intro's (k+1)-th frame, shown at k / F s; the music's first sample is at 0 s.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "gfx/scene_layout.h"
#include "player/player.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/intro_music.h"
#include "tools/capture/intro_scene.h"
#include "tools/capture/video_file.h"
#include "tools/common/output_file.h"
#include "tools/common/tool_messages.h"

namespace {

// After one pass of the song, the default capture runs on this long: the loop's start.
constexpr int64_t TAIL_SECONDS = 2;

void Fail(const std::string& subject, const std::string& reason)
{
    SayFor("capture", subject, reason);
}

// Audio frames shown before picture `pictures` starts: ceil(pictures / fps × rate).
int64_t SamplesBefore(int64_t pictures, const CaptureOptions& options)
{
    const int64_t scaled = pictures * MIX_RATE * options.fps_den;
    return (scaled + options.fps_num - 1) / options.fps_num;
}

struct Progress {
    bool shown;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point last;
};

void ShowProgress(Progress* progress, int64_t done, int64_t total, double seconds_done,
                  double seconds_total)
{
    if (!progress->shown) return;
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - progress->last < std::chrono::milliseconds(200)) return;
    progress->last = now;
    const double elapsed = std::chrono::duration<double>(now - progress->start).count();
    const int width = 40;
    const int filled = int(width * done / total);
    std::fprintf(stderr, "\r[%-*s] %6.1f / %.1f s  %4.1fx real time", width,
                 std::string(filled, '#').c_str(), seconds_done, seconds_total,
                 elapsed > 0 ? seconds_done / elapsed : 0.0);
    std::fflush(stderr);
}

// The music written so far, and room for one run of it.
struct MusicCursor {
    int64_t sent;  // frames written
    std::vector<int16_t> pcm;
};

constexpr int64_t MUSIC_RUN_FRAMES = 1024;

// Writes the music up to frame `until`.
bool SendMusic(VideoFile* file, int64_t until, MusicCursor* music, std::string* error)
{
    music->pcm.resize(MUSIC_RUN_FRAMES * 2);
    while (music->sent < until) {
        const int64_t frames =
            RenderPcm(music->pcm.data(), std::min(MUSIC_RUN_FRAMES, until - music->sent));
        if (frames <= 0) {
            *error = "the music stopped";
            return false;
        }
        if (!WriteVideoSound(file, music->pcm.data(), int32_t(frames), error)) return false;
        music->sent += frames;
    }
    return true;
}

bool Capture(const CaptureOptions& options, int64_t samples, const VideoTarget& target,
             std::string* error)
{
    const VideoSettings settings{options.container, options.width,   options.height,  SCREEN_WIDTH,
                                 SCREEN_HEIGHT,     options.fps_num, options.fps_den, MIX_RATE};
    // Pictures shown before the music ends: k with k / fps < samples / rate.
    const int64_t pictures = (samples * options.fps_num + int64_t(MIX_RATE) * options.fps_den - 1) /
                             (int64_t(MIX_RATE) * options.fps_den);

    VideoFile file{};
    bool ok = OpenVideoFile(&file, target, settings, error);
    Progress progress{isatty(STDERR_FILENO) != 0, std::chrono::steady_clock::now(), {}};
    const double seconds_total = double(samples) / MIX_RATE;
    MusicCursor music{0, {}};
    for (int64_t k = 0; ok && k < pictures; ++k) {
        const IntroPicture picture = RenderIntroFrame();
        if (picture.pixels == nullptr || picture.width != SCREEN_WIDTH ||
            picture.height != SCREEN_HEIGHT) {
            *error = "the intro presented no picture";
            ok = false;
            break;
        }
        ok = SendMusic(&file, std::min(samples, SamplesBefore(k + 1, options)), &music, error) &&
             WriteVideoPicture(&file, picture.pixels, picture.pitch, error);
        ShowProgress(&progress, k + 1, pictures, double(music.sent) / MIX_RATE, seconds_total);
    }
    ok = ok && SendMusic(&file, samples, &music, error) && FinishVideoFile(&file, error);
    if (progress.shown) std::fputc('\n', stderr);
    CloseVideoFile(&file);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    CaptureOptions options;
    const int status = ParseCaptureOptions(argc, argv, &options);
    if (status >= 0) return status;
    av_log_set_level(AV_LOG_ERROR);
    std::string error;

    // The scene first: the bubbles take their places from the runtime's generator before
    // anything else could draw from it, as in the intro.
    if (!StartIntroScene()) {
        Fail("intro", "the software graphics device could not be set up");
        return 1;
    }
    int64_t samples = options.fixed_length ? std::llround(options.seconds * MIX_RATE) : 0;
    if (options.fixed_length && samples == 0) {
        StopIntroScene();
        return UsageErrorFor("capture", "--seconds", "shorter than one audio frame");
    }
    if (!options.fixed_length) {
        const int64_t pass = IntroMusicPassFrames();
        samples = pass < 0 ? -1 : pass + TAIL_SECONDS * MIX_RATE;
    }
    SetOutputGain(options.gain_db);
    Song* song = samples >= 0 ? LoadIntroMusic() : nullptr;
    if (song == nullptr || !StartRender(song)) {
        Fail("intro", "the embedded module could not be played");
        StopRender();
        if (song != nullptr) FreeSong(song);
        StopIntroScene();
        return 1;
    }

    OutputFile output;
    OutputRules rules;
    rules.force = options.force;
    bool ok = OpenOutputFile(&output, options.output, rules);
    if (!ok) error = output.error;
    if (ok) {
        // A regular file is reopened by FFmpeg under its temporary name, which it can seek in;
        // anything else is written through the open stream.
        const VideoTarget target{output.temporary, output.stream};
        ok = Capture(options, samples, target, &error);
        if (ok && !FinishOutputFile(&output)) {
            error = output.error;
            ok = false;
        }
        if (!ok) AbandonOutputFile(&output);
    }
    if (!ok) Fail(options.output, error);
    StopRender();
    FreeSong(song);
    StopIntroScene();
    return ok ? 0 : 1;
}
