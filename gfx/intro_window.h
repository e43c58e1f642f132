// The intro's window (intro_window.cpp): its class and its creation, made the same way by the
// intro and by capture, which draws the intro on the headless host.
#pragma once

#include "platform/platform_api.h"

// Registers the window class "Vestrel" with `procedure` and creates the intro's 740 x 600
// pop-up window of that name. None when it cannot be created.
HWND CreateIntroWindow(HINSTANCE instance, WNDPROC procedure);
