// Win32 window management on the host: one window class table, one window, the cursor
// counter, screen metrics, message boxes and the stock icon and cursor.
#include <strings.h>

#include "platform/host.h"
#include "platform/win32_session.h"

namespace {

// WS_VISIBLE: the window is shown at creation.
const DWORD STYLE_VISIBLE = 0x10000000u;
const UINT MESSAGE_BOX_BUTTONS_MASK = 0x0000000Fu;

// The stock icon and cursor are never drawn; they only need to be distinct non-null handles.
char stock_icon;
char stock_cursor;

const Win32WindowClass* FindClass(const Win32Session& session, LPCSTR name)
{
    if (name == nullptr) return nullptr;
    // Class names are compared without regard to case, as Win32 does.
    for (const Win32WindowClass& window_class : session.classes)
        if (strcasecmp(window_class.name.c_str(), name) == 0) return &window_class;
    return nullptr;
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* window_class)
{
    if (window_class == nullptr || window_class->lpszClassName == nullptr ||
        window_class->lpfnWndProc == nullptr) {
        return 0;
    }
    Win32Session& session = TheSession();
    // Registering a name again replaces its procedure, so the same process can start over.
    Win32WindowClass* existing =
        const_cast<Win32WindowClass*>(FindClass(session, window_class->lpszClassName));
    if (existing) {
        existing->procedure = window_class->lpfnWndProc;
        return ATOM(0xC000 + (existing - session.classes.data()));
    }
    session.classes.push_back({window_class->lpszClassName, window_class->lpfnWndProc});
    return ATOM(0xC000 + session.classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    Win32Session& session = TheSession();
    const Win32WindowClass* window_class = FindClass(session, class_name);
    if (window_class == nullptr) return nullptr;
    if (session.window.exists) {
        // One window per process: a creation while one exists starts over (e.g. a test
        // running the system again after a run that returned without destroying its
        // window). The old window is retired without messages; its run is over.
        session.window = Win32Window();
        HostDestroyWindow();
    }
    if (!HostCreateWindow(window_name ? window_name : "", x, y, width, height)) return nullptr;

    // A new window starts a fresh session: nothing left over from an earlier run reaches it.
    {
        std::lock_guard<std::mutex> guard(session.queue_lock);
        session.posted.clear();
        session.quit_posted = false;
        session.quit_code = 0;
    }
    session.cursor_counter = 0;
    session.window.exists = true;
    session.window.destroying = false;
    session.window.procedure = window_class->procedure;
    session.window.visible = (style & STYLE_VISIBLE) != 0;
    if (session.window.visible) HostShowWindow(true);
    return TheWindowHandle();
}

BOOL WINAPI DestroyWindow(HWND window)
{
    Win32Session& session = TheSession();
    if (!IsLiveWindow(window) || session.window.destroying) return FALSE;
    session.window.destroying = true;
    session.window.visible = false;
    HostShowWindow(false);
    session.window.procedure(window, WM_DESTROY, 0, 0);
    session.window.exists = false;
    session.window.destroying = false;
    session.window.procedure = nullptr;
    DropMessagesFor(window);
    HostDestroyWindow();
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int command)
{
    Win32Session& session = TheSession();
    if (!IsLiveWindow(window)) return FALSE;
    bool was_visible = session.window.visible;
    session.window.visible = command != SW_HIDE;
    HostShowWindow(session.window.visible);
    return was_visible ? TRUE : FALSE;
}

int WINAPI ShowCursor(BOOL show)
{
    Win32Session& session = TheSession();
    session.cursor_counter += show ? 1 : -1;
    // Like Win32: the pointer shows while the display counter is 0 or more.
    HostShowCursor(session.cursor_counter >= 0);
    return session.cursor_counter;
}

BOOL WINAPI UpdateWindow(HWND window)
{
    // Nothing is painted through WM_PAINT here: the device presents the whole picture.
    return IsLiveWindow(window) ? TRUE : FALSE;
}

int WINAPI GetSystemMetrics(int index)
{
    int width = 0;
    int height = 0;
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) return 0;
    HostScreenSize(&width, &height);
    return index == SM_CXSCREEN ? width : height;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return reinterpret_cast<HICON>(&stock_icon); }

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) { return reinterpret_cast<HCURSOR>(&stock_cursor); }

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    // The host receives the texts exactly as given (Windows-1252); it converts for display.
    bool yes_no = (type & MESSAGE_BOX_BUTTONS_MASK) == MB_YESNO;
    return HostMessageBox(text ? text : "", caption ? caption : "Error", yes_no);
}
