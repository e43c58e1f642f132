// Measures RenderFrame on the software Direct3D device of the headless host:
//   run    - the intro as it runs from its first frame, the pager going through every state
//            (1500 frames: two pages, one of them turned as it fades);
//   start  - the first frames of the intro: closed panels, blank page, bubbles below the screen;
//   worst  - the page grown to 9.4 and turned by 4.65 rad so it covers the whole screen,
//            both panels closed over it, blending on, all 30 bubbles on screen, silhouette.
// Prints the mean and the slowest milliseconds per frame over the measured frames.
// Usage: bench_render [frames]   (default 500)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/headless/headless.h"
#include "scene/frame_renderer.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"

namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

struct Timing {
    double mean_ms;
    double worst_ms;
    double cpu_mean_ms;  // processor time of this thread: steadier on a busy machine
};

double ThreadCpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

template <typename Prepare>
Timing Measure(int frames, Prepare prepare)
{
    using Clock = std::chrono::steady_clock;
    double total = 0, worst = 0, cpu = 0;
    for (int i = 0; i < frames; ++i) {
        prepare();
        const auto start = Clock::now();
        const double cpu_start = ThreadCpuMs();
        RenderFrame();
        cpu += ThreadCpuMs() - cpu_start;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        total += ms;
        worst = std::max(worst, ms);
    }
    return Timing{total / frames, worst, cpu / frames};
}

void StartPositions()
{
    std::srand(1);
    for (int k = 0; k < SPRITE_COUNT; ++k) {
        const int x = std::rand() % 800;
        const int y = std::rand() % 600 + 700;
        sprite_positions[2 * k] = float(x);
        sprite_positions[2 * k + 1] = float(y);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    HeadlessReset();
    windowed = true;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = PlainWindowProc;
    window_class.lpszClassName = "BenchRender";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "BenchRender", "BenchRender", WS_POPUPWINDOW, 0, 0, 740, 600,
                                  nullptr, nullptr, nullptr, nullptr);
    if (!InitGraphics(window, false)) {
        std::fprintf(stderr, "bench_render: no device\n");
        return 1;
    }

    // The pager holds its page throughout, so every frame draws the same scene.
    pager_state = PAGER_SHOW;
    pager_wait = 1 << 30;

    StartPositions();
    const Timing start = Measure(frames, [] {});

    const Timing worst = Measure(frames, [] {
        page_scale = 9.4f;
        page_angle = 4.65f;
        left_panel_x = LEFT_PANEL_CLOSED_X;
        right_panel_x = RIGHT_PANEL_CLOSED_X;
        for (int k = 0; k < SPRITE_COUNT; ++k) {
            sprite_positions[2 * k] = float((k * 97) % 736);
            sprite_positions[2 * k + 1] = float(80 + (k * 53) % 400);
        }
    });

    // The intro from its first frame again: the scene, the pager and the device as new.
    ReleaseGraphics();
    ResetSceneState();
    ResetPagerState();
    if (!InitGraphics(window, false)) {
        std::fprintf(stderr, "bench_render: no device\n");
        return 1;
    }
    StartPositions();
    const int run_frames = 1500;
    const Timing run = Measure(run_frames, [] {});

    std::printf("RenderFrame, software device on the headless host\n");
    std::printf("  run:   %.3f ms mean, %.3f ms slowest, %.3f ms processor time (%d frames)\n",
                run.mean_ms, run.worst_ms, run.cpu_mean_ms, run_frames);
    std::printf("  (start and worst: %d frames each)\n", frames);
    std::printf("  start: %.3f ms mean, %.3f ms slowest, %.3f ms processor time\n", start.mean_ms,
                start.worst_ms, start.cpu_mean_ms);
    std::printf("  worst: %.3f ms mean, %.3f ms slowest, %.3f ms processor time\n", worst.mean_ms,
                worst.worst_ms, worst.cpu_mean_ms);
    ReleaseGraphics();
    DestroyWindow(window);
    return 0;
}
