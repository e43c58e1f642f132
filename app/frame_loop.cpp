// The message and frame loop. Pending messages always go first; when none is waiting the
// device's cooperative level decides between drawing a frame, recovering the device and
// waiting for it to come back.
#include "app/app.h"
#include "gfx/graphics.h"
#include "gfx/release_handle.h"
#include "scene/pager.h"
#include "scene/scene.h"

void RecoverDevice(HWND window)
{
    ReleaseIfPresent(back_buffer);
    ReleaseIfPresent(sprite_texture);
    ReleaseIfPresent(page_texture);
    ReleaseIfPresent(left_panel_texture);
    ReleaseIfPresent(right_panel_texture);
    ReleaseIfPresent(vertex_buffer);
    // A failed reset or re-creation is not acted on: the next cooperative-level query
    // decides what happens.
    device->Reset(&present_parameters);
    InitGraphics(window, true);
    pager_state = PAGER_FADE;
}

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
