// The session of the Win32 subset: the one window's record and handle, the window classes and
// the queue of posted messages, shared by the window functions and the message functions.
#include "platform/win32_session.h"

namespace {

// The address of this record is the one window's handle.
char window_identity;

}  // namespace

Win32Session& TheSession()
{
    static Win32Session* session = new Win32Session;  // never destroyed: safe at exit
    return *session;
}

HWND TheWindowHandle() { return reinterpret_cast<HWND>(&window_identity); }

bool IsLiveWindow(HWND window)
{
    return window != nullptr && window == TheWindowHandle() && TheSession().window.exists;
}

void DropMessagesFor(HWND window)
{
    Win32Session& session = TheSession();
    std::lock_guard<std::mutex> guard(session.queue_lock);
    std::deque<MSG> kept;
    for (const MSG& msg : session.posted)
        if (msg.hwnd != window) kept.push_back(msg);
    session.posted.swap(kept);
}
