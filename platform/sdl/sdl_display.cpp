// The SDL2 host's display: the window (windowed 740 x 600, or covering the screen) and the
// route its pictures take to the screen (sdl_present.h): a renderer with vsync where a graphics
// processor draws it, else the window's own surface. The environment variable INTRO_PRESENT
// (texture or surface) forces one route, for tests and for comparing them.
#include <cstdlib>
#include <cstring>

#include "platform/host.h"
#include "platform/sdl/sdl_present.h"
#include "platform/sdl/sdl_state.h"
#include "platform/trace.h"

namespace {

void RestoreWindowedGeometry(SdlHost& host)
{
    SDL_SetWindowFullscreen(host.window, 0);
    SDL_SetWindowSize(host.window, host.windowed_width, host.windowed_height);
    SDL_SetWindowPosition(host.window, host.windowed_x, host.windowed_y);
}

// The route the environment asks for: "texture", "surface", or null for the best one.
const char* ForcedRoute()
{
    const char* route = std::getenv("INTRO_PRESENT");
    if (route != nullptr &&
        (std::strcmp(route, "texture") == 0 || std::strcmp(route, "surface") == 0))
        return route;
    return nullptr;
}

// The renderer first, if any: creating it may re-create the window underneath, which would
// lose the full-screen geometry set afterwards.
bool OpenRoute(SdlHost& host)
{
    const char* forced = ForcedRoute();
    if (forced == nullptr || std::strcmp(forced, "texture") == 0) {
        if (OpenTexturePresent(host, forced == nullptr)) {
            PlatformTrace("display: renderer with a streaming texture");
            return true;
        }
        if (forced != nullptr) return false;
    }
    if (!OpenSurfacePresent(host)) return false;
    PlatformTrace("display: window surface");
    return true;
}

}  // namespace

bool HostOpenDisplay(bool fullscreen)
{
    SdlHost& host = TheSdlHost();
    if (host.window == nullptr) return false;
    HostCloseDisplay();
    if (!OpenRoute(host)) return false;
    host.display_open = true;
    if (!fullscreen) return true;

    SDL_GetWindowPosition(host.window, &host.windowed_x, &host.windowed_y);
    SDL_GetWindowSize(host.window, &host.windowed_width, &host.windowed_height);
    host.fullscreen = true;
    // Cover the screen by geometry as well: without a window manager (a bare X server) the
    // full-screen request alone leaves the window where it was.
    SDL_Rect screen{};
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(host.window), &screen) == 0) {
        SDL_SetWindowPosition(host.window, screen.x, screen.y);
        SDL_SetWindowSize(host.window, screen.w, screen.h);
    }
    // A window manager applies the full-screen state to a mapped window; a hidden one gets it
    // when shown (HostShowWindow).
    if ((SDL_GetWindowFlags(host.window) & SDL_WINDOW_SHOWN) &&
        SDL_SetWindowFullscreen(host.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        HostCloseDisplay();
        return false;
    }
    return true;
}

void HostCloseDisplay()
{
    SdlHost& host = TheSdlHost();
    CloseTexturePresent(host);
    host.display_open = false;
    if (host.fullscreen && host.window) RestoreWindowedGeometry(host);
    host.fullscreen = false;
}

bool HostDisplayUsable()
{
    SdlHost& host = TheSdlHost();
    if (!host.display_open) return false;
    // A full-screen display is lost while minimised or in the background.
    return !(host.fullscreen && (host.minimised || host.focus_lost));
}

void HostPresent(const uint32_t* pixels, int width, int height, int pitch)
{
    SdlHost& host = TheSdlHost();
    if (!host.display_open || pixels == nullptr || width != PICTURE_WIDTH ||
        height != PICTURE_HEIGHT || pitch < width) {
        return;
    }
    if (host.texture != nullptr) {
        TexturePresent(host, pixels, pitch);
    } else {
        SurfacePresent(host, pixels, pitch);
    }
}
