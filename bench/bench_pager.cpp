// Measures the pager's three kinds of frame on the software device of the headless host:
//   compose - ComposePage, 216 glyph boxes of 24 rows (once per page, every 734 frames);
//   clear   - ClearPage, all 512 x 512 texels (once per page);
//   step    - AdvancePager in the reveal, show, fade and pause states (every other frame).
// Prints the mean and the slowest microseconds of each. The two texture frames must stay far
// below a 60 Hz frame (16,667 us) next to the frame renderer's own work.
// Usage: bench_pager [repetitions]   (default 2000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/headless/headless.h"
#include "scene/page_composer.h"
#include "scene/pager.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"

namespace {

struct Timing {
    double mean_us;
    double worst_us;
};

template <typename Work>
Timing Measure(int repetitions, Work work)
{
    using Clock = std::chrono::steady_clock;
    double total = 0, worst = 0;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        work(i);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        total += us;
        worst = std::max(worst, us);
    }
    return Timing{total / repetitions, worst};
}

void Print(const char* name, Timing t)
{
    std::printf("%-8s mean %8.1f us   slowest %8.1f us\n", name, t.mean_us, t.worst_us);
}

}  // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    HeadlessReset();
    windowed = true;
    if (!InitGraphics(nullptr, false)) {
        std::fprintf(stderr, "bench_pager: no device\n");
        return 1;
    }
    const Timing compose = Measure(repetitions, [](int i) {
        text_cursor = uint32_t(i % 7) * CHARS_PER_PAGE;
        ComposePage();
    });
    const Timing clear = Measure(repetitions, [](int) { ClearPage(); });

    // Ordinary steps: a whole page cycle without its compose and clear frames.
    ResetSceneState();
    ResetPagerState();
    pager_state = PAGER_REVEAL;
    const Timing step = Measure(repetitions, [](int) {
        if (pager_state == PAGER_COMPOSE || (pager_state == PAGER_PAUSE && pager_wait == 0)) {
            pager_state = PAGER_REVEAL;  // keep the texture frames out of this measure
            panel_phase = 0.0f;
        }
        AdvancePager();
    });
    Print("compose", compose);
    Print("clear", clear);
    Print("step", step);
    ReleaseGraphics();
    return 0;
}
