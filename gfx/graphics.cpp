// The Direct3D objects of the intro: creation at start, re-creation of the resources after a
// device reset, release at exit, and the upload of the embedded palettized images.
#include "gfx/graphics.h"

#include "assets/assets.h"
#include "gfx/scene_layout.h"

IDirect3D9* direct3d = nullptr;
IDirect3DDevice9* device = nullptr;
D3DPRESENT_PARAMETERS present_parameters = {};
IDirect3DSurface9* back_buffer = nullptr;
IDirect3DVertexBuffer9* vertex_buffer = nullptr;
IDirect3DTexture9* page_texture = nullptr;
IDirect3DTexture9* left_panel_texture = nullptr;
IDirect3DTexture9* right_panel_texture = nullptr;
IDirect3DTexture9* sprite_texture = nullptr;

bool windowed = false;

namespace {

constexpr UINT QUAD_BYTES = 4 * sizeof(TLVertex);

// Releases a Direct3D object at most once: the handle is emptied as it is released, so a later
// release pass (device recovery, then exit) skips it.
template <typename Handle>
void ReleaseIfPresent(Handle*& handle)
{
    if (handle != nullptr) {
        handle->Release();
        handle = nullptr;
    }
}

bool CreateSquareTexture(int size, IDirect3DTexture9** texture)
{
    return device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture,
                                 nullptr) == D3D_OK;
}

// Locks level 0 of a square texture for writing `size` texels per row. Fails (and leaves
// the texture unlocked) when the lock fails or its rows are too short to hold `size` texels,
// so nothing is ever written outside the locked memory.
bool LockSquare(IDirect3DTexture9* texture, int size, uint32_t** texels, int* stride)
{
    if (texture == nullptr || size <= 0) return false;
    D3DLOCKED_RECT locked = {};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return false;
    const int row_texels = locked.Pitch / 4;
    if (locked.pBits == nullptr || row_texels < size) {
        texture->UnlockRect(0);
        return false;
    }
    *texels = static_cast<uint32_t*>(locked.pBits);
    *stride = row_texels;
    return true;
}

void ClearPageTexture()
{
    uint32_t* texels = nullptr;
    int stride = 0;
    if (!LockSquare(page_texture, PAGE_TEXTURE_SIZE, &texels, &stride)) return;
    for (int row = 0; row < PAGE_TEXTURE_SIZE; ++row) {
        uint32_t* line = texels + static_cast<size_t>(row) * stride;
        for (int column = 0; column < PAGE_TEXTURE_SIZE; ++column) line[column] = 0;
    }
    page_texture->UnlockRect(0);
}

}  // namespace

D3DPRESENT_PARAMETERS PresentParametersFor(HWND window, bool in_window)
{
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = SCREEN_WIDTH;
    parameters.BackBufferHeight = SCREEN_HEIGHT;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 0;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.MultiSampleQuality = 0;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = in_window ? TRUE : FALSE;
    parameters.EnableAutoDepthStencil = FALSE;
    parameters.AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    parameters.FullScreen_RefreshRateInHz = 0;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return parameters;
}

uint32_t ByteSwap32(uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
           (value << 24);
}

uint32_t PaletteTexel(const uint8_t* entry)
{
    // The entry as a little-endian word: red in the low byte, flags in the high byte.
    const uint32_t word = uint32_t{entry[0]} | (uint32_t{entry[1]} << 8) |
                          (uint32_t{entry[2]} << 16) | (uint32_t{entry[3]} << 24);
    // Shifting drops the flags; the swap brings red up to bits 16..23 and blue down to 0..7.
    return ByteSwap32(word << 8);
}

void UploadPalettedImage(IDirect3DTexture9* texture, const uint8_t* pixels,
                         const uint8_t* palette_entries, int size)
{
    uint32_t* texels = nullptr;
    int stride = 0;
    if (!LockSquare(texture, size, &texels, &stride)) return;
    const uint8_t* pixel = pixels;
    for (int row = 0; row < size; ++row) {
        uint32_t* line = texels + static_cast<size_t>(row) * stride;
        for (int column = 0; column < size; ++column) {
            line[column] = PaletteTexel(palette_entries + 4 * size_t{*pixel++});
        }
    }
    texture->UnlockRect(0);
}

bool InitGraphics(HWND window, bool after_reset)
{
    if (!after_reset) {
        direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3d == nullptr) return false;
        present_parameters = PresentParametersFor(window, windowed);
        if (FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &present_parameters,
                                          &device))) {
            return false;
        }
    }
    if (device == nullptr) return false;

    if (!CreateSquareTexture(PANEL_TEXTURE_SIZE, &left_panel_texture)) return false;
    if (!CreateSquareTexture(PANEL_TEXTURE_SIZE, &right_panel_texture)) return false;
    if (!CreateSquareTexture(PAGE_TEXTURE_SIZE, &page_texture)) return false;
    if (!CreateSquareTexture(SPRITE_TEXTURE_SIZE, &sprite_texture)) return false;

    UploadPalettedImage(left_panel_texture, ImagePixels(left_panel_data, PANEL_ENTRIES),
                        PaletteEntries(left_panel_data), PANEL_SIZE);
    UploadPalettedImage(right_panel_texture, ImagePixels(right_panel_data, PANEL_ENTRIES),
                        PaletteEntries(right_panel_data), PANEL_SIZE);
    UploadPalettedImage(sprite_texture, ImagePixels(sprite_sheet_data, SPRITE_SHEET_ENTRIES),
                        PaletteEntries(sprite_sheet_data), SPRITE_SHEET_SIZE);
    ClearPageTexture();

    device->SetFVF(TLVERTEX_FVF);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    device->CreateVertexBuffer(QUAD_BYTES, D3DUSAGE_WRITEONLY, TLVERTEX_FVF, D3DPOOL_MANAGED,
                               &vertex_buffer, nullptr);
    device->SetStreamSource(0, vertex_buffer, 0, sizeof(TLVertex));
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back_buffer);
    return true;
}

void ReleaseResources()
{
    ReleaseIfPresent(back_buffer);
    ReleaseIfPresent(sprite_texture);
    ReleaseIfPresent(page_texture);
    ReleaseIfPresent(left_panel_texture);
    ReleaseIfPresent(right_panel_texture);
    ReleaseIfPresent(vertex_buffer);
}

void ReleaseGraphics()
{
    ReleaseResources();
    ReleaseIfPresent(device);
    ReleaseIfPresent(direct3d);
}
