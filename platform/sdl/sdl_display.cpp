// The SDL2 host's display: every presented picture is scaled (bilinear) into the window's own
// surface and sent to the screen, then the present waits for the display's next refresh.
// Windowed, the picture fills the whole window (740 x 600); full screen, the window covers
// the desktop and the picture keeps its 4:3 shape, black bars around it.
//
// The window surface rather than a renderer with a streaming texture: where OpenGL is drawn in
// software (a virtual X display, a machine without a graphics driver), the texture costs the
// intro several times the processor time of scaling the picture itself. The refresh is
// waited for by the clock: a window surface has no vsync of its own.
#include <thread>

#include "platform/host.h"
#include "platform/sdl/sdl_state.h"

namespace {

const int PICTURE_WIDTH = 800;
const int PICTURE_HEIGHT = 600;
// When the display does not say.
const int DEFAULT_REFRESH_HZ = 60;

void RestoreWindowedGeometry(SdlHost& host)
{
    SDL_SetWindowFullscreen(host.window, 0);
    SDL_SetWindowSize(host.window, host.windowed_width, host.windowed_height);
    SDL_SetWindowPosition(host.window, host.windowed_x, host.windowed_y);
}

// Where the picture goes on a surface of the given size.
SDL_Rect PictureRect(const SdlHost& host, int width, int height)
{
    if (!host.fullscreen) return SDL_Rect{0, 0, width, height};
    // Its 4:3 shape kept, centred.
    if (static_cast<int64_t>(width) * PICTURE_HEIGHT >
        static_cast<int64_t>(height) * PICTURE_WIDTH) {
        int fitted =
            static_cast<int>(static_cast<int64_t>(height) * PICTURE_WIDTH / PICTURE_HEIGHT);
        return SDL_Rect{(width - fitted) / 2, 0, fitted, height};
    }
    int fitted = static_cast<int>(static_cast<int64_t>(width) * PICTURE_HEIGHT / PICTURE_WIDTH);
    return SDL_Rect{0, (height - fitted) / 2, width, fitted};
}

// Black around the picture.
void FillBars(SDL_Surface* surface, const SDL_Rect& picture)
{
    const Uint32 black = SDL_MapRGB(surface->format, 0, 0, 0);
    const SDL_Rect bars[4] = {
        {0, 0, surface->w, picture.y},
        {0, picture.y + picture.h, surface->w, surface->h - picture.y - picture.h},
        {0, picture.y, picture.x, picture.h},
        {picture.x + picture.w, picture.y, surface->w - picture.x - picture.w, picture.h},
    };
    for (const SDL_Rect& bar : bars) {
        if (bar.w > 0 && bar.h > 0) SDL_FillRect(surface, &bar, black);
    }
}

// True when the surface holds 0x00RRGGBB pixels of 32 bits, as the picture does.
bool SameLayoutAsPicture(const SDL_Surface* surface)
{
    const SDL_PixelFormat* format = surface->format;
    return format->BytesPerPixel == 4 && format->Rmask == 0xFF0000 && format->Gmask == 0xFF00 &&
           format->Bmask == 0xFF;
}

void DrawPicture(SdlHost& host, SDL_Surface* surface, const uint32_t* pixels, int pitch)
{
    const SDL_Rect rect = PictureRect(host, surface->w, surface->h);
    if (rect.w <= 0 || rect.h <= 0) return;
    PictureScale& scale = host.scale;
    if (scale.width != rect.w || scale.height != rect.h) {
        PreparePictureScale(&scale, PICTURE_WIDTH, PICTURE_HEIGHT, rect.w, rect.h);
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    uint8_t* origin = static_cast<uint8_t*>(surface->pixels) + rect.y * surface->pitch +
                      rect.x * surface->format->BytesPerPixel;
    if (SameLayoutAsPicture(surface) && surface->pitch % 4 == 0) {
        ScalePicture(&scale, pixels, pitch, reinterpret_cast<uint32_t*>(origin),
                     surface->pitch / 4);
    } else {
        host.converted.resize(static_cast<size_t>(rect.w) * static_cast<size_t>(rect.h));
        ScalePicture(&scale, pixels, pitch, host.converted.data(), rect.w);
        SDL_ConvertPixels(rect.w, rect.h, SDL_PIXELFORMAT_RGB888, host.converted.data(), rect.w * 4,
                          surface->format->format, origin, surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (host.fullscreen) FillBars(surface, rect);
}

// Returns at the display's next refresh after the last one waited for; a present that comes
// later than that is not held back, and one far behind starts the count again.
void WaitForRefresh(SdlHost& host)
{
    using Clock = std::chrono::steady_clock;
    SDL_DisplayMode mode{};
    int hz = DEFAULT_REFRESH_HZ;
    if (SDL_GetWindowDisplayMode(host.window, &mode) == 0 && mode.refresh_rate > 0) {
        hz = mode.refresh_rate;
    }
    const Clock::duration interval =
        std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / hz;
    const Clock::time_point now = Clock::now();
    if (host.next_refresh == Clock::time_point{} || now > host.next_refresh + interval) {
        host.next_refresh = now;
    }
    host.next_refresh += interval;
    std::this_thread::sleep_until(host.next_refresh);
}

}  // namespace

bool HostOpenDisplay(bool fullscreen)
{
    SdlHost& host = TheSdlHost();
    if (host.window == nullptr) return false;
    HostCloseDisplay();
    // On X11 the surface goes to the X server through shared memory, not through SDL's
    // default of a streaming texture behind it, which would bring back the cost of OpenGL
    // drawn in software. (Other drivers may have no surface of their own.)
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && SDL_strcmp(driver, "x11") == 0) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    if (SDL_GetWindowSurface(host.window) == nullptr) return false;
    host.display_open = true;
    host.next_refresh = {};
    if (!fullscreen) return true;

    // Full screen: the picture keeps its 4:3 shape, with black bars around it.
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
    // The surface follows the window's size (it changes going full screen).
    SDL_Surface* surface = SDL_GetWindowSurface(host.window);
    if (surface != nullptr) {
        DrawPicture(host, surface, pixels, pitch);
        SDL_UpdateWindowSurface(host.window);
    }
    WaitForRefresh(host);
}
