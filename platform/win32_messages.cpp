// The message queue of the one window: host events become input messages, posted messages
// come out oldest first, WM_QUIT comes out once nothing else is queued.
#include <chrono>

#include "platform/host.h"
#include "platform/win32_session.h"

namespace {

// WM_SIZE kinds.
const WPARAM SIZE_RESTORED = 0;
const WPARAM SIZE_MINIMIZED = 1;

LPARAM MakePointParam(int x, int y)
{
    // MAKELPARAM: x in the low word, y in the high word, each a 16-bit value.
    return LPARAM(uint32_t(uint16_t(x)) | (uint32_t(uint16_t(y)) << 16));
}

DWORD MessageTime()
{
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

MSG MakeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    msg.time = MessageTime();
    return msg;
}

// The message an input or window event becomes; false for events with no message.
bool EventToMessage(const HostEvent& event, MSG* msg)
{
    HWND window = TheWindowHandle();
    switch (event.kind) {
    case HOST_EVENT_KEY_DOWN:
        *msg = MakeMessage(window, WM_KEYDOWN, WPARAM(event.key), 0);
        return true;
    case HOST_EVENT_LBUTTON_DOWN:
        *msg = MakeMessage(window, WM_LBUTTONDOWN, 0, MakePointParam(event.x, event.y));
        return true;
    case HOST_EVENT_RBUTTON_DOWN:
        *msg = MakeMessage(window, WM_RBUTTONDOWN, 0, MakePointParam(event.x, event.y));
        return true;
    case HOST_EVENT_CLOSE: *msg = MakeMessage(window, WM_CLOSE, 0, 0); return true;
    case HOST_EVENT_FOCUS_LOST: *msg = MakeMessage(window, WM_KILLFOCUS, 0, 0); return true;
    case HOST_EVENT_FOCUS_GAINED: *msg = MakeMessage(window, WM_SETFOCUS, 0, 0); return true;
    case HOST_EVENT_MINIMISED: *msg = MakeMessage(window, WM_SIZE, SIZE_MINIMIZED, 0); return true;
    case HOST_EVENT_RESTORED: *msg = MakeMessage(window, WM_SIZE, SIZE_RESTORED, 0); return true;
    }
    return false;
}

// Moves every pending host event into the queue. Events arriving while no window exists
// have no one to go to and are dropped.
void TakeHostEvents(Win32Session& session)
{
    HostEvent event{};
    while (HostPollEvent(&event)) {
        MSG msg{};
        if (!session.window.exists || !EventToMessage(event, &msg)) continue;
        std::lock_guard<std::mutex> guard(session.queue_lock);
        session.posted.push_back(msg);
    }
}

bool MatchesFilter(const MSG& msg, HWND window, UINT filter_min, UINT filter_max)
{
    if (window != nullptr && msg.hwnd != window) return false;
    if (filter_min == 0 && filter_max == 0) return true;
    return msg.message >= filter_min && msg.message <= filter_max;
}

}  // namespace

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filter_min, UINT filter_max, UINT remove)
{
    Win32Session& session = TheSession();
    TakeHostEvents(session);
    std::lock_guard<std::mutex> guard(session.queue_lock);
    for (auto it = session.posted.begin(); it != session.posted.end(); ++it) {
        if (!MatchesFilter(*it, window, filter_min, filter_max)) continue;
        if (msg) *msg = *it;
        if (remove & PM_REMOVE) session.posted.erase(it);
        return TRUE;
    }
    // WM_QUIT has no window; it passes a window filter of none and any range containing it.
    bool quit_wanted = window == nullptr && ((filter_min == 0 && filter_max == 0) ||
                                             (WM_QUIT >= filter_min && WM_QUIT <= filter_max));
    if (session.quit_posted && quit_wanted) {
        if (msg) *msg = MakeMessage(nullptr, WM_QUIT, WPARAM(session.quit_code), 0);
        if (remove & PM_REMOVE) session.quit_posted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*)
{
    // No character messages are needed: the window procedure only looks at key-down codes.
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr || !IsLiveWindow(msg->hwnd)) return 0;
    return TheSession().window.procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!IsLiveWindow(window)) return 0;
    return TheSession().window.procedure(window, message, wparam, lparam);
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

void WINAPI PostQuitMessage(int exit_code)
{
    Win32Session& session = TheSession();
    std::lock_guard<std::mutex> guard(session.queue_lock);
    session.quit_posted = true;
    session.quit_code = exit_code;
}
