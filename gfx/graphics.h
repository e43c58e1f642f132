// The Direct3D objects of the intro and what graphics.cpp does with them: their creation,
// re-creation after a reset and release, the present parameters, the pre-transformed vertex,
// the palette-to-texel rule and the upload of a palettized image.
#pragma once

#include <cstdint>

#include "platform/platform_api.h"

// Pre-transformed vertex, FVF 0x144 (XYZRHW | DIFFUSE | TEX1), 28 bytes.
struct TLVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
static_assert(sizeof(TLVertex) == 28, "TLVertex is 28 bytes");

constexpr DWORD TLVERTEX_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

extern IDirect3D9* direct3d;
extern IDirect3DDevice9* device;
extern D3DPRESENT_PARAMETERS present_parameters;
extern IDirect3DSurface9* back_buffer;
extern IDirect3DVertexBuffer9* vertex_buffer;
extern IDirect3DTexture9* page_texture;
extern IDirect3DTexture9* left_panel_texture;
extern IDirect3DTexture9* right_panel_texture;
extern IDirect3DTexture9* sprite_texture;

// Set by the start-up question: true when the user answered No (run in a window).
extern bool windowed;

// The present parameters the device is created with: the 800 x 600 lockable X8R8G8B8 back
// buffer, presented once per display refresh, in a window or full screen.
D3DPRESENT_PARAMETERS PresentParametersFor(HWND window, bool in_window);

// Creates the Direct3D object and the device (unless after_reset: the device is kept), then
// the textures, filled from the embedded images (the page blank), the vertex buffer and the
// back-buffer surface, and sets the device's states. False when something could not be made.
bool InitGraphics(HWND window, bool after_reset);
// Releases what a device reset requires released, in this order: the back-buffer surface,
// sprite_texture, page_texture, left_panel_texture, right_panel_texture, vertex_buffer. Each
// handle is emptied, so a second call releases nothing.
void ReleaseResources();
// ReleaseResources, then the device and the Direct3D object.
void ReleaseGraphics();
uint32_t ByteSwap32(uint32_t value);
// Palette entry bytes (red, green, blue, flags) -> texel 0x00RRGGBB.
uint32_t PaletteTexel(const uint8_t* entry);
void UploadPalettedImage(IDirect3DTexture9* texture, const uint8_t* pixels,
                         const uint8_t* palette_entries, int size);
