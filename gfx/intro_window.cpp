// The intro's window: a pop-up window whose corner lies where an 800 x 600 back buffer centred
// on the screen would start.
#include "gfx/intro_window.h"

#include "gfx/scene_layout.h"

namespace {

constexpr char WINDOW_NAME[] = "Vestrel";
constexpr int WINDOW_WIDTH = 740;
constexpr int WINDOW_HEIGHT = 600;

}  // namespace

HWND CreateIntroWindow(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSA window_class = {};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = procedure;
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
