// The web host's window and display: the window is the page's stage (a canvas of 800 x 600
// pixels shown in a 740 x 600 area, or full screen with 4:3 kept); presenting converts the
// back buffer into the shared picture, then waits until the page has put it on the canvas at
// the display's next refresh, as a vsync'd present waits. While the page is hidden nothing
// can be shown: the display is unusable, and the device is lost until it comes back.
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>

#include <atomic>
#include <climits>

#include "platform/host.h"
#include "platform/web/web_page.h"

namespace {

const int PICTURE_WIDTH = 800;
const int PICTURE_HEIGHT = 600;
// How long one wait for the page lasts before the conditions are looked at again.
const double WAIT_SLICE_MS = 100;
// The work of the last frames, for the benchmark: rendering (from the end of one present to
// the start of the next) and the picture's conversion, in milliseconds.
const int FRAME_TIMES = 1024;

struct WebDisplay {
    std::atomic<int> hidden{0};
    std::atomic<int> open{0};
    std::atomic<int> presented{0};  // pictures written, numbered from 1
    std::atomic<int> shown{0};      // the last picture the page put on the canvas
    std::atomic<int> gate{-1};      // tests: pictures allowed; negative: no limit
    std::atomic<int> lost_answers{0};
    double present_returned_ms = -1;  // when the last present returned (the next frame began)
    float frame_ms[FRAME_TIMES];
    std::atomic<int> frames_timed{0};
    uint8_t picture[PICTURE_WIDTH * PICTURE_HEIGHT * 4];
};

WebDisplay display;

// 0x00RRGGBB pixels to the canvas's red, green, blue, alpha bytes (opaque).
void ConvertPicture(const uint32_t* pixels, int width, int height, int pitch)
{
    uint32_t* out = reinterpret_cast<uint32_t*>(display.picture);
    for (int y = 0; y < height && y < PICTURE_HEIGHT; ++y) {
        const uint32_t* row = pixels + y * pitch;
        uint32_t* out_row = out + y * PICTURE_WIDTH;
        for (int x = 0; x < width && x < PICTURE_WIDTH; ++x) {
            const uint32_t p = row[x];
            out_row[x] = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
        }
    }
}

void WaitForGate()
{
    for (;;) {
        const int gate = display.gate.load();
        if (gate < 0 || display.presented.load() < gate) return;
        emscripten_futex_wait(&display.gate, uint32_t(gate), WAIT_SLICE_MS);
    }
}

// Until the page has shown picture `frame`; false when it cannot (hidden, or the display
// went away).
bool WaitUntilShown(int frame)
{
    for (;;) {
        const int shown = display.shown.load();
        if (shown == frame) return true;
        if (display.hidden.load() || !display.open.load()) return false;
        emscripten_futex_wait(&display.shown, uint32_t(shown), WAIT_SLICE_MS);
    }
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void web_set_hidden(int hidden)
{
    display.hidden.store(hidden ? 1 : 0);
    emscripten_futex_wake(&display.shown, INT_MAX);
}

extern "C" EMSCRIPTEN_KEEPALIVE int web_picture_pending()
{
    const int presented = display.presented.load();
    return presented != display.shown.load() ? presented : 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE const uint8_t* web_picture() { return display.picture; }

extern "C" EMSCRIPTEN_KEEPALIVE void web_picture_shown(int frame)
{
    display.shown.store(frame);
    emscripten_futex_wake(&display.shown, INT_MAX);
}

extern "C" EMSCRIPTEN_KEEPALIVE void web_set_frame_gate(int frames)
{
    display.gate.store(frames);
    emscripten_futex_wake(&display.gate, INT_MAX);
}

extern "C" EMSCRIPTEN_KEEPALIVE int web_frames_presented() { return display.presented.load(); }

extern "C" EMSCRIPTEN_KEEPALIVE int web_lost_answers() { return display.lost_answers.load(); }

extern "C" EMSCRIPTEN_KEEPALIVE const float* web_frame_times() { return display.frame_ms; }

extern "C" EMSCRIPTEN_KEEPALIVE int web_frames_timed() { return display.frames_timed.load(); }

bool HostCreateWindow(const char* title, int, int, int width, int height)
{
    MAIN_THREAD_EM_ASM({ OrvantheHost.createWindow(UTF8ToString($0), $1, $2); }, title, width,
                       height);
    return true;
}

void HostShowWindow(bool visible)
{
    MAIN_THREAD_ASYNC_EM_ASM({ OrvantheHost.showWindow($0 != 0); }, visible ? 1 : 0);
}

void HostDestroyWindow() { MAIN_THREAD_ASYNC_EM_ASM({ OrvantheHost.destroyWindow(); }); }

void HostShowCursor(bool visible)
{
    MAIN_THREAD_ASYNC_EM_ASM({ OrvantheHost.showCursor($0 != 0); }, visible ? 1 : 0);
}

bool HostOpenDisplay(bool fullscreen)
{
    const int opened = MAIN_THREAD_EM_ASM_INT(
        { return OrvantheHost.openDisplay($0 != 0) ? 1 : 0; }, fullscreen ? 1 : 0);
    display.open.store(opened);
    return opened != 0;
}

void HostCloseDisplay()
{
    display.open.store(0);
    MAIN_THREAD_ASYNC_EM_ASM({ OrvantheHost.closeDisplay(); });
}

bool HostDisplayUsable()
{
    const bool usable = display.hidden.load() == 0;
    if (!usable) display.lost_answers.fetch_add(1);
    return usable;
}

void HostPresent(const uint32_t* pixels, int width, int height, int pitch)
{
    const double rendered_ms = emscripten_get_now();
    WaitForGate();
    // The picture buffer is free once the page has shown the last picture (one left unshown
    // by a loss is shown first when the page is visible again).
    WaitUntilShown(display.presented.load());
    const double convert_start_ms = emscripten_get_now();
    ConvertPicture(pixels, width, height, pitch);
    if (display.present_returned_ms >= 0) {
        const int timed = display.frames_timed.load();
        display.frame_ms[timed % FRAME_TIMES] =
            float(rendered_ms - display.present_returned_ms + emscripten_get_now() -
                  convert_start_ms);
        display.frames_timed.store(timed + 1);
    }
    const int frame = display.presented.load() + 1;
    display.presented.store(frame);
    // As a vsync'd present: until the page has put it on the canvas at a display refresh.
    // After a loss the next frame's time would not be its work: it is not timed.
    display.present_returned_ms = WaitUntilShown(frame) ? emscripten_get_now() : -1;
}
