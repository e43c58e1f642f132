// The web host's screen, message boxes, input and sleeping. The message box waits on the
// program's thread for the page's dialog to be answered; input arrives from the page through
// a small single-producer ring (the page writes, the program's thread reads).
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>

#include <atomic>
#include <string>

#include "platform/host.h"
#include "platform/sdl/cp1252.h"
#include "platform/web/web_page.h"

namespace {

const int NO_ANSWER = 0;
const int EVENT_RING_SIZE = 256;  // a power of two; events beyond a full ring are dropped

struct EventRing {
    HostEvent events[EVENT_RING_SIZE];
    std::atomic<uint32_t> written{0};
    std::atomic<uint32_t> taken{0};
};

EventRing event_ring;
std::atomic<int> box_answer{NO_ANSWER};

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void web_push_event(int kind, int key, int x, int y)
{
    const uint32_t written = event_ring.written.load(std::memory_order_relaxed);
    if (written - event_ring.taken.load(std::memory_order_acquire) >= EVENT_RING_SIZE) return;
    event_ring.events[written % EVENT_RING_SIZE] = HostEvent{HostEventKind(kind), key, x, y};
    event_ring.written.store(written + 1, std::memory_order_release);
}

extern "C" EMSCRIPTEN_KEEPALIVE void web_answer_box(int answer)
{
    box_answer.store(answer);
    emscripten_futex_wake(&box_answer, 1);
}

bool HostPollEvent(HostEvent* event)
{
    const uint32_t taken = event_ring.taken.load(std::memory_order_relaxed);
    if (taken == event_ring.written.load(std::memory_order_acquire)) return false;
    *event = event_ring.events[taken % EVENT_RING_SIZE];
    event_ring.taken.store(taken + 1, std::memory_order_release);
    return true;
}

void HostScreenSize(int* width, int* height)
{
    const int w = MAIN_THREAD_EM_ASM_INT({ return window.screen.width | 0; });
    const int h = MAIN_THREAD_EM_ASM_INT({ return window.screen.height | 0; });
    if (width) *width = w;
    if (height) *height = h;
}

int HostMessageBox(const char* text, const char* caption, bool yes_no)
{
    // The system's texts are Windows-1252; the page takes UTF-8.
    const std::string text_utf8 = Cp1252ToUtf8(text);
    const std::string caption_utf8 = Cp1252ToUtf8(caption);
    box_answer.store(NO_ANSWER);
    const int shown = MAIN_THREAD_EM_ASM_INT(
        { return OrvantheHost.showBox(UTF8ToString($0), UTF8ToString($1), $2 != 0) ? 1 : 0; },
        text_utf8.c_str(), caption_utf8.c_str(), yes_no ? 1 : 0);
    if (!shown) return 0;
    int answer = NO_ANSWER;
    while ((answer = box_answer.load()) == NO_ANSWER) {
        emscripten_futex_wait(&box_answer, NO_ANSWER, 1000);
    }
    return answer;
}

void HostSleep(uint32_t milliseconds) { emscripten_thread_sleep(milliseconds); }

void WebPageEnded(int exit_code)
{
    MAIN_THREAD_ASYNC_EM_ASM({ OrvantheHost.ended($0); }, exit_code);
}
