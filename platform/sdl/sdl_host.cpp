// The SDL2 host's window, input, message boxes, cursor, screen size and sleeping.
#include <chrono>
#include <thread>

#include "platform/host.h"
#include "platform/sdl/cp1252.h"
#include "platform/sdl/sdl_signals.h"
#include "platform/sdl/sdl_state.h"

namespace {

// Win32 answer codes and virtual keys returned through the host interface.
const int ANSWER_OK = 1;
const int ANSWER_YES = 6;
const int ANSWER_NO = 7;

// Win32 virtual-key code of an SDL key, or 0 for keys the system has no use for.
int VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + int(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + int(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + int(key - SDLK_F1);
    switch (key) {
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_RETURN: return 0x0D;
    case SDLK_KP_ENTER: return 0x0D;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_LSHIFT: return 0x10;
    case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: return 0x11;
    case SDLK_RCTRL: return 0x11;
    default: return 0;
    }
}

// The host event an SDL event becomes, if any; window state events also update the record
// HostDisplayUsable reads.
bool TranslateEvent(SdlHost& host, const SDL_Event& sdl, HostEvent* event)
{
    *event = HostEvent{};
    switch (sdl.type) {
    case SDL_QUIT: event->kind = HOST_EVENT_CLOSE; return true;
    case SDL_KEYDOWN:
        event->kind = HOST_EVENT_KEY_DOWN;
        event->key = VirtualKey(sdl.key.keysym.sym);
        return event->key != 0;
    case SDL_MOUSEBUTTONDOWN:
        if (sdl.button.button != SDL_BUTTON_LEFT && sdl.button.button != SDL_BUTTON_RIGHT)
            return false;
        event->kind = sdl.button.button == SDL_BUTTON_LEFT ? HOST_EVENT_LBUTTON_DOWN
                                                           : HOST_EVENT_RBUTTON_DOWN;
        event->x = sdl.button.x;
        event->y = sdl.button.y;
        return true;
    case SDL_WINDOWEVENT:
        switch (sdl.window.event) {
        case SDL_WINDOWEVENT_CLOSE: event->kind = HOST_EVENT_CLOSE; return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            host.focus_lost = true;
            event->kind = HOST_EVENT_FOCUS_LOST;
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            host.focus_lost = false;
            event->kind = HOST_EVENT_FOCUS_GAINED;
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            host.minimised = true;
            event->kind = HOST_EVENT_MINIMISED;
            return true;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            host.minimised = false;
            event->kind = HOST_EVENT_RESTORED;
            return true;
        default: return false;
        }
    default: return false;
    }
}

}  // namespace

void HostScreenSize(int* width, int* height)
{
    int w = 0;
    int h = 0;
    // No display: 0 x 0 (the window then cannot be created either). Right after the
    // process starts, the first query now and then finds no usable display although one is
    // there (seen under Xvfb: the window then sat at x = -400); a few more tries over half a
    // second tell a slow answer from no display.
    for (int attempt = 0; attempt < 25 && (w <= 0 || h <= 0); attempt++) {
        if (attempt > 0) SDL_Delay(20);
        if (!AcquireVideo()) continue;
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
            w = mode.w;
            h = mode.h;
        }
        ReleaseVideo();
    }
    if (w <= 0 || h <= 0) w = h = 0;
    if (width) *width = w;
    if (height) *height = h;
}

int HostMessageBox(const char* text, const char* caption, bool yes_no)
{
    std::string message = Cp1252ToUtf8(text);
    std::string title = Cp1252ToUtf8(caption);
    const SDL_MessageBoxButtonData yes_no_buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, ANSWER_YES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, ANSWER_NO, "No"},
    };
    const SDL_MessageBoxButtonData ok_button[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
         ANSWER_OK, "OK"},
    };
    SDL_MessageBoxData box{};
    box.flags = (yes_no ? SDL_MESSAGEBOX_INFORMATION : SDL_MESSAGEBOX_ERROR) |
                SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = nullptr;  // no owner, as the system asks
    box.title = title.c_str();
    box.message = message.c_str();
    box.numbuttons = yes_no ? 2 : 1;
    box.buttons = yes_no ? yes_no_buttons : ok_button;
    int pressed = -1;
    SdlSetMessageBoxShowing(true);
    int failed = SDL_ShowMessageBox(&box, &pressed);
    SdlSetMessageBoxShowing(false);
    if (failed != 0) return 0;
    // Closing the box without a button counts as its Escape button.
    if (pressed < 0) return yes_no ? ANSWER_NO : ANSWER_OK;
    return pressed;
}

bool HostCreateWindow(const char* title, int x, int y, int width, int height)
{
    SdlHost& host = TheSdlHost();
    if (host.window != nullptr || !AcquireVideo()) return false;
    // A borderless pop-up, hidden until shown, exactly where and as large as asked.
    host.window = SDL_CreateWindow(title ? title : "", x, y, width, height,
                                   SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (host.window == nullptr) {
        ReleaseVideo();
        return false;
    }
    host.minimised = false;
    host.focus_lost = false;
    SDL_ShowCursor(host.cursor_visible ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void HostShowWindow(bool visible)
{
    SdlHost& host = TheSdlHost();
    if (host.window == nullptr) return;
    if (visible) {
        SDL_ShowWindow(host.window);
        // The display was opened on the hidden window, already covering the screen.
        if (host.fullscreen) SDL_SetWindowFullscreen(host.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        SDL_RaiseWindow(host.window);
    } else {
        SDL_HideWindow(host.window);
    }
}

void HostDestroyWindow()
{
    SdlHost& host = TheSdlHost();
    if (host.window == nullptr) return;
    HostCloseDisplay();  // a display cannot outlive its window
    SDL_DestroyWindow(host.window);
    host.window = nullptr;
    ReleaseVideo();
}

void HostShowCursor(bool visible)
{
    SdlHost& host = TheSdlHost();
    host.cursor_visible = visible;
    if (host.video_users > 0) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool HostPollEvent(HostEvent* event)
{
    SdlHost& host = TheSdlHost();
    if (host.video_users == 0) return false;
    // An end signal closes the window once, as the window manager's close button would.
    if (SdlEndSignal() != 0 && !host.end_signal_delivered) {
        host.end_signal_delivered = true;
        if (event) *event = HostEvent{HOST_EVENT_CLOSE, 0, 0, 0};
        return true;
    }
    SDL_Event sdl;
    HostEvent translated{};
    while (SDL_PollEvent(&sdl)) {
        if (!TranslateEvent(host, sdl, &translated)) continue;
        if (event) *event = translated;
        return true;
    }
    return false;
}

void HostSleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
