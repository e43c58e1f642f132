// The intro window's procedure (window_proc.cpp): Escape or a left click closes the window,
// and the window's end ends the message loop.
#pragma once

#include "platform/platform_api.h"

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
