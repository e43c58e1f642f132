// Measures RenderFrame on the software Direct3D device of the headless host (without the host's
// copy of each presented frame, which is the test host's own work), once per pixel path
// (platform/pixel_path.h) this processor runs:
//   run    - the intro as it runs from its first frame, the pager going through its states
//            (3000 frames);
//   worst  - the page grown to 9.4 and turned by 4.65 rad so it covers the whole screen,
//            both panels closed over it, blending on, all 30 bubbles on screen, silhouette;
//   scale  - the SDL host's picture scaling of the last frame into the 740 x 600 window and
//            into a 1024 x 768 full screen.
// Prints per path the mean and the slowest milliseconds per frame, in processor time of this
// thread (steady on a busy machine) and in wall-clock time.
// Usage: bench_render [frames [path]]   (frames of the worst scene, default 500; one path only,
// by its name, e.g. to profile it)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/headless/headless.h"
#include "platform/pixel_path.h"
#include "platform/sdl/picture_scale.h"
#include "scene/frame_renderer.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"
#include "scene/sprite_positions.h"

namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

struct Timing {
    double cpu_mean_ms = 0;  // processor time of this thread
    double cpu_worst_ms = 0;
    double wall_mean_ms = 0;
    double wall_worst_ms = 0;
};

double ThreadCpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

template <typename Prepare, typename Work>
Timing Measure(int frames, Prepare prepare, Work work)
{
    using Clock = std::chrono::steady_clock;
    Timing t;
    for (int i = 0; i < frames; ++i) {
        prepare();
        const auto start = Clock::now();
        const double cpu_start = ThreadCpuMs();
        work();
        const double cpu = ThreadCpuMs() - cpu_start;
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        t.cpu_mean_ms += cpu / frames;
        t.wall_mean_ms += wall / frames;
        t.cpu_worst_ms = std::max(t.cpu_worst_ms, cpu);
        t.wall_worst_ms = std::max(t.wall_worst_ms, wall);
    }
    return t;
}

// The scene, the pager and the device as new, the bubbles at their start.
bool StartIntro(HWND window)
{
    ReleaseGraphics();
    ResetSceneState();
    ResetPagerState();
    if (!InitGraphics(window, false)) return false;
    std::srand(1);  // the generator as at the intro's start
    FillSpritePositions();
    return true;
}

void Print(const char* what, const Timing& t)
{
    std::printf("  %-22s %7.3f mean %7.3f slowest | wall %7.3f mean %7.3f slowest\n", what,
                t.cpu_mean_ms, t.cpu_worst_ms, t.wall_mean_ms, t.wall_worst_ms);
}

}  // namespace

int main(int argc, char** argv)
{
    const int worst_frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const int run_frames = 3000;
    const int scale_frames = 300;
    HeadlessReset();
    windowed = true;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = PlainWindowProc;
    window_class.lpszClassName = "BenchRender";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "BenchRender", "BenchRender", WS_POPUPWINDOW, 0, 0, 740, 600,
                                  nullptr, nullptr, nullptr, nullptr);

    std::printf(
        "RenderFrame on the headless host (run: %d frames, worst: %d), and the picture "
        "scaling per frame (%d frames); ms of processor time\n",
        run_frames, worst_frames, scale_frames);
    for (int p = 0; p < PIXEL_PATH_COUNT; ++p) {
        const PixelPath path = PixelPath(p);
        if (argc > 2 && std::strcmp(argv[2], PixelPathName(path)) != 0) continue;
        if (!SelectPixelPath(path)) {
            std::printf("%s: not on this processor\n", PixelPathName(path));
            continue;
        }
        std::printf("%s%s\n", PixelPathName(path), path == BestPixelPath() ? " (the default)" : "");
        if (!StartIntro(window)) {
            std::fprintf(stderr, "bench_render: no device\n");
            return 1;
        }
        // The frames without the headless host's copy of each (the SDL host scales them
        // instead, timed below), except the last.
        const auto render = [] { RenderFrame(); };
        HeadlessKeepLastFrame(false);
        Print("run", Measure(
                         run_frames, [] {}, render));
        HeadlessKeepLastFrame(true);
        RenderFrame();

        // The last frame, scaled as the SDL host shows it.
        const std::vector<uint32_t> picture = HeadlessLastFrame();
        PictureScale window_scale, screen_scale;
        PreparePictureScale(&window_scale, 800, 600, 740, 600);
        PreparePictureScale(&screen_scale, 800, 600, 1024, 768);
        std::vector<uint32_t> out(1024 * 768);
        Print("scale 740x600",
              Measure(
                  scale_frames, [] {},
                  [&] { ScalePicture(&window_scale, picture.data(), 800, out.data(), 740); }));
        Print("scale 1024x768",
              Measure(
                  scale_frames, [] {},
                  [&] { ScalePicture(&screen_scale, picture.data(), 800, out.data(), 1024); }));

        // The pager holds its page throughout, so every frame draws the same scene.
        pager_state = PAGER_SHOW;
        pager_wait = 1 << 30;
        const auto heaviest = [] {
            page_scale = 9.4f;
            page_angle = 4.65f;
            left_panel_x = LEFT_PANEL_CLOSED_X;
            right_panel_x = RIGHT_PANEL_CLOSED_X;
            for (int k = 0; k < SPRITE_COUNT; ++k) {
                sprite_positions[2 * k] = float((k * 97) % 736);
                sprite_positions[2 * k + 1] = float(80 + (k * 53) % 400);
            }
        };
        HeadlessKeepLastFrame(false);
        Print("worst", Measure(worst_frames, heaviest, render));
        HeadlessKeepLastFrame(true);
    }
    SelectPixelPath(BestPixelPath());
    ReleaseGraphics();
    DestroyWindow(window);
    return 0;
}
