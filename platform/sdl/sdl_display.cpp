// The SDL2 host's display: a vsync'd renderer with one streaming 800 x 600 texture. Windowed,
// the picture is scaled into the whole window (740 x 600); full screen, the window covers the
// desktop and the picture is scaled with its 4:3 shape kept, black bars around it.
#include "platform/host.h"
#include "platform/sdl/sdl_state.h"

namespace {

const int PICTURE_WIDTH = 800;
const int PICTURE_HEIGHT = 600;

}  // namespace

bool HostOpenDisplay(bool fullscreen)
{
    SdlHost& host = TheSdlHost();
    if (host.window == nullptr) return false;
    HostCloseDisplay();
    if (fullscreen && SDL_SetWindowFullscreen(host.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        return false;
    }
    host.fullscreen = fullscreen;
    // Smooth scaling: the picture is never shown at its own size in the window.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    host.renderer = SDL_CreateRenderer(host.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (host.renderer != nullptr) {
        host.texture = SDL_CreateTexture(host.renderer, SDL_PIXELFORMAT_ARGB8888,
                                         SDL_TEXTUREACCESS_STREAMING, PICTURE_WIDTH, PICTURE_HEIGHT);
    }
    if (host.texture == nullptr) {
        HostCloseDisplay();
        return false;
    }
    // The top byte of each pixel is not alpha: copy, never blend.
    SDL_SetTextureBlendMode(host.texture, SDL_BLENDMODE_NONE);
    if (fullscreen) SDL_RenderSetLogicalSize(host.renderer, PICTURE_WIDTH, PICTURE_HEIGHT);
    SDL_SetRenderDrawColor(host.renderer, 0, 0, 0, 255);
    return true;
}

void HostCloseDisplay()
{
    SdlHost& host = TheSdlHost();
    if (host.texture) SDL_DestroyTexture(host.texture);
    if (host.renderer) SDL_DestroyRenderer(host.renderer);
    host.texture = nullptr;
    host.renderer = nullptr;
    if (host.fullscreen && host.window) SDL_SetWindowFullscreen(host.window, 0);
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
