// The entry function: window, start-up question, graphics, bubbles, music, then the frame
// loop until the window is closed, and an orderly shutdown.
#include "app/frame_loop.h"
#include "app/music.h"
#include "app/sprite_positions.h"
#include "app/window_proc.h"
#include "gfx/graphics.h"
#include "gfx/scene_layout.h"

namespace {

constexpr char WINDOW_NAME[] = "Vestrel";
constexpr int WINDOW_WIDTH = 740;
constexpr int WINDOW_HEIGHT = 600;
constexpr DWORD FULL_SCREEN_SETTLE_MS = 1500;

HWND CreateIntroWindow(HINSTANCE instance)
{
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = WindowProc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = nullptr;
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = WINDOW_NAME;
    RegisterClassA(&window_class);

    // The back buffer is 800 wide, so the window's corner lies 400 left of the screen centre;
    // the window itself is 740 wide. Small screens give negative positions, used as they are.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - SCREEN_WIDTH / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - SCREEN_HEIGHT / 2;
    return CreateWindowExA(0, WINDOW_NAME, WINDOW_NAME, WS_POPUPWINDOW, x, y, WINDOW_WIDTH,
                           WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    HWND window = CreateIntroWindow(instance);

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
