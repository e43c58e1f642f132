// The renderer route: one streaming 800 x 600 texture scaled by the graphics processor,
// presented with vsync. Windowed the picture fills the window; full screen the renderer keeps
// its 4:3 shape with black bars (a logical size).
#include <cstring>

#include "platform/sdl/sdl_present.h"
#include "platform/trace.h"

namespace {

typedef const unsigned char* (*GetStringFunction)(unsigned int name);
const unsigned int GL_RENDERER_NAME = 0x1F01;  // GL_RENDERER

// True when the renderer draws on the processor: SDL's software renderer, or OpenGL whose
// driver is one of Mesa's software rasterisers.
bool DrawsInSoftware(SDL_Renderer* renderer)
{
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE)) {
        return true;
    }
    if (info.name == nullptr || std::strncmp(info.name, "opengl", 6) != 0) return false;
    // The renderer's context is current after its creation.
    auto get_string = reinterpret_cast<GetStringFunction>(SDL_GL_GetProcAddress("glGetString"));
    const char* name =
        get_string ? reinterpret_cast<const char*>(get_string(GL_RENDERER_NAME)) : nullptr;
    if (name == nullptr) return true;
    return std::strstr(name, "llvmpipe") != nullptr || std::strstr(name, "softpipe") != nullptr ||
           std::strstr(name, "Software Rasterizer") != nullptr ||
           std::strstr(name, "SWR") != nullptr;
}

}  // namespace

bool OpenTexturePresent(SdlHost& host, bool hardware_only)
{
    // Smooth scaling: the picture is never shown at its own size.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    host.renderer = SDL_CreateRenderer(host.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (host.renderer == nullptr) PlatformTrace("display: no renderer: %s", SDL_GetError());
    if (host.renderer != nullptr && !(hardware_only && DrawsInSoftware(host.renderer))) {
        host.texture =
            SDL_CreateTexture(host.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                              PICTURE_WIDTH, PICTURE_HEIGHT);
    }
    if (host.texture == nullptr) {
        CloseTexturePresent(host);
        return false;
    }
    // The top byte of each pixel is not alpha: copy, never blend.
    SDL_SetTextureBlendMode(host.texture, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(host.renderer, 0, 0, 0, 255);
    return true;
}

void CloseTexturePresent(SdlHost& host)
{
    if (host.texture) SDL_DestroyTexture(host.texture);
    if (host.renderer) SDL_DestroyRenderer(host.renderer);
    host.texture = nullptr;
    host.renderer = nullptr;
}

void TexturePresent(SdlHost& host, const uint32_t* pixels, int pitch)
{
    // Full screen: the picture keeps its 4:3 shape, with black bars around it.
    SDL_RenderSetLogicalSize(host.renderer, host.fullscreen ? PICTURE_WIDTH : 0,
                             host.fullscreen ? PICTURE_HEIGHT : 0);
    SDL_UpdateTexture(host.texture, nullptr, pixels, pitch * static_cast<int>(sizeof(uint32_t)));
    SDL_RenderClear(host.renderer);
    SDL_RenderCopy(host.renderer, host.texture, nullptr, nullptr);
    SDL_RenderPresent(host.renderer);  // waits for the refresh (vsync)
}
