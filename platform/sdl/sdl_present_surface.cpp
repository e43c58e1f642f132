// The surface route: every picture is scaled (bilinear) into the window's own surface and
// sent to the screen, then the present waits for the display's next refresh by the clock (a
// window surface has no vsync of its own). Windowed the picture fills the window; full screen
// it keeps its 4:3 shape, black bars around it.
#include <thread>

#include "platform/sdl/sdl_present.h"

namespace {

// When the display does not say.
const int DEFAULT_REFRESH_HZ = 60;

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

bool OpenSurfacePresent(SdlHost& host)
{
    // On X11 the surface goes to the X server through shared memory, not through SDL's
    // default of a streaming texture behind it, which would bring back the cost of OpenGL
    // drawn in software. (Other drivers may have no surface of their own.)
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && SDL_strcmp(driver, "x11") == 0) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    host.next_refresh = {};
    return SDL_GetWindowSurface(host.window) != nullptr;
}

void SurfacePresent(SdlHost& host, const uint32_t* pixels, int pitch)
{
    // The surface follows the window's size (it changes going full screen).
    SDL_Surface* surface = SDL_GetWindowSurface(host.window);
    if (surface != nullptr) {
        DrawPicture(host, surface, pixels, pitch);
        SDL_UpdateWindowSurface(host.window);
    }
    WaitForRefresh(host);
}
