// The scene runs on the headless host, which presents into memory: its frame callback keeps
// the pointer to the picture each Present shows.
#include "tools/capture/intro_scene.h"

#include "app/sprite_positions.h"
#include "gfx/graphics.h"
#include "platform/headless/headless.h"
#include "scene/frame_renderer.h"

namespace {

constexpr char WINDOW_NAME[] = "Vestrel";

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
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = PlainWindowProc;
    window_class.lpszClassName = WINDOW_NAME;
    RegisterClassA(&window_class);
    window = CreateWindowExA(0, WINDOW_NAME, WINDOW_NAME, WS_POPUPWINDOW, 0, 0, 740, 600, nullptr,
                             nullptr, nullptr, nullptr);
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
