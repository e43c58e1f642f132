// Private to the Win32 subset: the session record (the one window, the window classes, the
// queue of posted messages) and its accessors, defined in win32_session.cpp and shared by the
// window functions (win32_window.cpp) and the message functions (win32_messages.cpp). The
// subset serves one process with one window on one (main) thread; a window creation starts a
// fresh session (empty queue, cursor counter 0, an earlier window retired).
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32_api.h"

struct Win32WindowClass {
    std::string name;
    WNDPROC procedure = nullptr;
};

struct Win32Window {
    bool exists = false;
    bool destroying = false;  // inside DestroyWindow (WM_DESTROY being sent)
    bool visible = false;
    WNDPROC procedure = nullptr;
};

struct Win32Session {
    // Guards the queue only: window procedures are always called without it, so a procedure
    // may post, send or destroy freely.
    std::mutex queue_lock;
    std::deque<MSG> posted;
    bool quit_posted = false;
    int quit_code = 0;

    std::vector<Win32WindowClass> classes;
    Win32Window window;
    int cursor_counter = 0;
};

Win32Session& TheSession();

// The handle of the one window (a fixed non-null value) and whether `window` names it while
// it exists.
HWND TheWindowHandle();
bool IsLiveWindow(HWND window);

// Drops every posted message addressed to `window` (it is being destroyed).
void DropMessagesFor(HWND window);
