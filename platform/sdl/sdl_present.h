// The two ways the SDL host's display brings a picture to the screen (sdl_display.cpp picks
// one when the display opens):
// - a renderer with one streaming 800 x 600 texture, presented with vsync, where OpenGL (or
//   another renderer) runs on a graphics processor: cheap, and it never tears;
// - the window's own surface, the picture scaled into it by us and the refresh waited for by
//   the clock, where OpenGL would be drawn in software (a virtual X display, a machine without
//   a graphics driver): there the texture costs several times the processor time.
#pragma once

#include <cstdint>

#include "platform/sdl/sdl_state.h"

// The renderer route. False (and nothing left open) when no renderer can be had, or when
// `hardware_only` and the renderer draws in software.
bool OpenTexturePresent(SdlHost& host, bool hardware_only);
void CloseTexturePresent(SdlHost& host);
void TexturePresent(SdlHost& host, const uint32_t* pixels, int pitch);

// The surface route.
bool OpenSurfacePresent(SdlHost& host);
void SurfacePresent(SdlHost& host, const uint32_t* pixels, int pitch);

const int PICTURE_WIDTH = 800;
const int PICTURE_HEIGHT = 600;
