// The message and frame loop. Pending messages always go first; when none is waiting the
// device's cooperative level decides between drawing a frame, recovering the device and
// waiting for it to come back.
#include "app/frame_loop.h"

#include "gfx/graphics.h"
#include "scene/frame_renderer.h"
#include "scene/pager_state.h"

namespace {

// Releases the device's resources, resets the device, re-creates them and puts the pager
// into its fade state (the page texture comes back blank).
void RecoverDevice(HWND window)
{
    ReleaseResources();
    // A failed reset or re-creation is not acted on: the next cooperative-level query
    // decides what happens.
    device->Reset(&present_parameters);
    InitGraphics(window, true);
    pager_state = PAGER_FADE;
}

}  // namespace

WPARAM RunFrameLoop(HWND window)
{
    MSG message = {};
    while (message.message != WM_QUIT) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        if (device->TestCooperativeLevel() == D3D_OK) RenderFrame();
        if (device->TestCooperativeLevel() == D3DERR_DEVICENOTRESET) RecoverDevice(window);
        if (device->TestCooperativeLevel() == D3DERR_DEVICELOST) Sleep(1);
    }
    return message.wParam;
}
