// The SDL2 host's display: a vsync'd renderer with one streaming 800 x 600 texture. Windowed,
// the picture is scaled into the whole window (740 x 600); full screen, the window covers the
// desktop and the picture is scaled with its 4:3 shape kept, black bars around it.
#include "platform/host.h"
#include "platform/sdl/sdl_state.h"

namespace {

const int PICTURE_WIDTH = 800;
const int PICTURE_HEIGHT = 600;

void RestoreWindowedGeometry(SdlHost& host)
{
    SDL_SetWindowFullscreen(host.window, 0);
    SDL_SetWindowSize(host.window, host.windowed_width, host.windowed_height);
    SDL_SetWindowPosition(host.window, host.windowed_x, host.windowed_y);
}

}  // namespace

bool HostOpenDisplay(bool fullscreen)
{
    SdlHost& host = TheSdlHost();
    if (host.window == nullptr) return false;
    HostCloseDisplay();
    // The renderer first: creating it may re-create the window underneath, which would lose
    // the full-screen geometry set below.
    // Smooth scaling: the picture is never shown at its own size.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    host.renderer = SDL_CreateRenderer(host.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (host.renderer != nullptr) {
        host.texture =
            SDL_CreateTexture(host.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                              PICTURE_WIDTH, PICTURE_HEIGHT);
    }
    if (host.texture == nullptr) {
        HostCloseDisplay();
        return false;
    }
    // The top byte of each pixel is not alpha: copy, never blend.
    SDL_SetTextureBlendMode(host.texture, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(host.renderer, 0, 0, 0, 255);
    if (!fullscreen) return true;

    // Full screen: the picture keeps its 4:3 shape, with black bars around it.
    SDL_RenderSetLogicalSize(host.renderer, PICTURE_WIDTH, PICTURE_HEIGHT);
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
    if (host.texture) SDL_DestroyTexture(host.texture);
    if (host.renderer) SDL_DestroyRenderer(host.renderer);
    host.texture = nullptr;
    host.renderer = nullptr;
    if (host.fullscreen && host.window) RestoreWindowedGeometry(host);
    host.fullscreen = false;
}

bool HostDisplayUsable()
{
    SdlHost& host = TheSdlHost();
    if (host.renderer == nullptr) return false;
    // A full-screen display is lost while minimised or in the background.
    return !(host.fullscreen && (host.minimised || host.focus_lost));
}

void HostPresent(const uint32_t* pixels, int width, int height, int pitch)
{
    SdlHost& host = TheSdlHost();
    if (host.texture == nullptr || pixels == nullptr || width != PICTURE_WIDTH ||
        height != PICTURE_HEIGHT || pitch < width) {
        return;
    }
    SDL_UpdateTexture(host.texture, nullptr, pixels, pitch * int(sizeof(uint32_t)));
    SDL_RenderClear(host.renderer);
    SDL_RenderCopy(host.renderer, host.texture, nullptr, nullptr);
    SDL_RenderPresent(host.renderer);  // waits for the refresh (vsync)
}
