// The window procedure: Escape or a left click closes the window, and the window's end
// ends the message loop.
#include "app/window_proc.h"

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY: PostQuitMessage(0); break;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) SendMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_LBUTTONDOWN: SendMessageA(window, WM_CLOSE, 0, 0); break;
    default: break;
    }
    // The default handling does the rest: WM_CLOSE destroys the window.
    return DefWindowProcA(window, message, wparam, lparam);
}
