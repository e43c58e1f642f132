// The entry function: window, start-up question, graphics, bubbles, music, then the frame
// loop until the window is closed, and an orderly shutdown.
#include "app/frame_loop.h"
#include "app/music.h"
#include "app/window_proc.h"
#include "gfx/graphics.h"
#include "gfx/intro_window.h"
#include "scene/sprite_positions.h"

namespace {

constexpr DWORD FULL_SCREEN_SETTLE_MS = 1500;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    HWND window = CreateIntroWindow(instance, WindowProc);

    if (MessageBoxA(nullptr, "Run in Fullscreen !?", "Orvanthe", MB_YESNO) == IDNO) {
        windowed = true;
    }

    if (!InitGraphics(window, false)) {
        MessageBoxA(nullptr, "What the...?!", "Couldn\xB4t set up DirectX.", MB_OK);
        return 0;
    }

    FillSpritePositions();
    if (!windowed) Sleep(FULL_SCREEN_SETTLE_MS);
    Song* song = StartMusic();

    ShowWindow(window, show_command);
    ShowCursor(FALSE);
    UpdateWindow(window);

    const WPARAM exit_code = RunFrameLoop(window);

    StopMusic(song);
    ReleaseGraphics();
    return static_cast<int>(exit_code);
}
