// A window for the test programs that draw on the device without the intro's window procedure:
// a pop-up window at the screen's corner whose messages all go to DefWindowProcA.
#pragma once

#include "platform/platform_api.h"

inline LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(window, message, wparam, lparam);
}

// Registers the window class `name` (once is enough; a second registration fails harmlessly)
// and creates a window of that class and name, `width` x `height`. None when it cannot.
inline HWND CreatePlainWindow(const char* name, int width, int height)
{
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = PlainWindowProc;
    window_class.lpszClassName = name;
    RegisterClassA(&window_class);
    return CreateWindowExA(0, name, name, WS_POPUPWINDOW, 0, 0, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}
