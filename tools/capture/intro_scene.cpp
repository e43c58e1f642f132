// The scene runs on the headless host, which presents into memory: its frame callback keeps
// the pointer to the picture each Present shows.
#include "tools/capture/intro_scene.h"

#include "gfx/graphics.h"
#include "gfx/intro_window.h"
#include "platform/headless/headless.h"
#include "scene/frame_renderer.h"
#include "scene/sprite_positions.h"

namespace {

IntroPicture presented;
HWND window;

LRESULT CALLBACK PlainWindowProc(HWND target, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(target, message, wparam, lparam);
}

void KeepPresented(int, const uint32_t* pixels, int width, int height, int pitch)
{
    presented = IntroPicture{pixels, width, height, pitch};
}

}  // namespace

bool StartIntroScene()
{
    HeadlessReset();
    HeadlessSetFrameCallback(KeepPresented);
    window = CreateIntroWindow(nullptr, PlainWindowProc);
    // Windowed, as after the answer No: the full-screen pause before the music start moves
    // neither the music nor the frames, which both start counting at the music start.
    windowed = true;
    if (!InitGraphics(window, false)) return false;
    FillSpritePositions();
    return true;
}

IntroPicture RenderIntroFrame()
{
    presented = IntroPicture{};
    RenderFrame();
    return presented;
}

void StopIntroScene()
{
    ReleaseGraphics();
    if (window != nullptr) DestroyWindow(window);
    window = nullptr;
    HeadlessSetFrameCallback(nullptr);
}
