// The message and frame loop (frame_loop.cpp), which also recovers a lost device.
#pragma once

#include "platform/platform_api.h"

// Dispatches messages and draws frames until WM_QUIT; returns the WM_QUIT message's wParam.
// When the device can be reset, releases its resources, resets it, re-creates them and puts
// the pager into its fade state (the page texture comes back blank).
WPARAM RunFrameLoop(HWND window);
