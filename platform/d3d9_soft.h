// The private records behind the Direct3D 9 interfaces of the software device
// (d3d9_device.cpp, d3d9_resources.cpp), and the check of a rectangle to lock, which textures
// and the back buffer share.
//
// Reference counting follows Direct3D 9: every object starts with one reference; Release
// destroys it when the count reaches 0. The device holds one reference on its IDirect3D9,
// on the texture set with SetTexture and on the buffer set with SetStreamSource (dropped when
// they are replaced, on Reset, and when the device is destroyed). Textures and buffers do not
// hold the device, so they may outlive it. The back-buffer surface belongs to the device:
// GetBackBuffer adds a reference to it, and the device's memory (which holds the surface and
// its pixels) is freed only once both the device and the surface have no references left.
#pragma once

#include <cstdint>

#include "platform/d3d9_api.h"
#include "platform/d3d9_rasteriser.h"

const int SOFT_BACK_BUFFER_WIDTH = 800;
const int SOFT_BACK_BUFFER_HEIGHT = 600;
// Rows of the back buffer and of textures are padded, so that code using width × 4 instead
// of the locked pitch shows up at once.
const int SOFT_ROW_PADDING_PIXELS = 16;
const UINT SOFT_MAX_TEXTURE_SIZE = 4096;
const DWORD SOFT_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x144
const UINT SOFT_VERTEX_SIZE = 28;

struct SoftTexture {
    IDirect3DTexture9 iface;
    ULONG references;
    int width;
    int height;
    int pitch;  // in texels
    bool locked;
    int locked_top;  // the rows of the locked rectangle
    int locked_bottom;
    uint32_t* texels;  // height rows of pitch texels, zero-filled at creation
    int32_t* inked;    // per row, the columns holding its texels that are not 0 (RasterTexture)
};

struct SoftVertexBuffer {
    IDirect3DVertexBuffer9 iface;
    ULONG references;
    int locks;  // nested Lock calls not yet unlocked
    UINT length;
    uint8_t* bytes;
};

struct SoftSurface {
    IDirect3DSurface9 iface;
    ULONG references;  // the device's own use does not count
    bool locked;
    SoftDevice* owner;
};

struct SoftRenderStates {
    DWORD alpha_blend_enable;
    DWORD source_blend;
    DWORD destination_blend;
};

struct SoftDevice {
    IDirect3DDevice9 iface;
    ULONG references;
    IDirect3D9* parent;
    D3DPRESENT_PARAMETERS parameters;
    bool lost;      // the display became unusable; cleared only by a successful Reset
    bool in_scene;  // between BeginScene and EndScene
    SoftRenderStates states;
    DWORD fvf;
    IDirect3DTexture9* texture;      // stage 0, one reference held
    IDirect3DVertexBuffer9* stream;  // stream 0, one reference held
    UINT stream_offset;
    UINT stream_stride;
    SoftSurface back_buffer;
    int pitch;  // back-buffer row length in pixels
    uint32_t* pixels;
    PendingFill pending_fill;  // clears not yet written (d3d9_rasteriser.h)
    PendingRow pending_rows[SOFT_BACK_BUFFER_HEIGHT];
};

// A sub-rectangle to lock: the whole area when rect is null; false when it is empty or
// reaches outside.
inline bool SoftLockArea(const RECT* rect, int width, int height, RECT* area)
{
    if (!rect) {
        *area = RECT{0, 0, width, height};
        return true;
    }
    if (rect->left < 0 || rect->top < 0 || rect->right > width || rect->bottom > height ||
        rect->left >= rect->right || rect->top >= rect->bottom) {
        return false;
    }
    *area = *rect;
    return true;
}

// Textures and vertex buffers created and not yet destroyed (every device together).
int SoftTexturesAlive();
int SoftVertexBuffersAlive();
