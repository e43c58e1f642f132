// Textures and vertex buffers: creation, locking and reference counts. Memory comes zero-filled
// from calloc; a failed allocation is reported as E_OUTOFMEMORY, never thrown.
#include <cstdlib>
#include <new>

#include "platform/d3d9_soft.h"
#include "platform/trace.h"

// Resources created and not yet destroyed, for the trace (all on the main thread).
static int textures_alive = 0;
static int vertex_buffers_alive = 0;

int SoftTexturesAlive() { return textures_alive; }
int SoftVertexBuffersAlive() { return vertex_buffers_alive; }

namespace {

bool PowerOfTwo(UINT n) { return n != 0 && (n & (n - 1)) == 0; }

// The columns of each of the rows [top, bottom) that hold its texels that are not 0.
void FindInk(SoftTexture* t, int top, int bottom)
{
    for (int y = top; y < bottom; y++) {
        const uint32_t* row = t->texels + size_t(y) * size_t(t->pitch);
        int first = 0, end = t->width;
        while (first < end && row[first] == 0) first++;
        while (end > first && row[end - 1] == 0) end--;
        t->inked[2 * y] = first;
        t->inked[2 * y + 1] = end;
    }
}

}  // namespace

// ---- Textures ----------------------------------------------------------------------------

// One level, A8R8G8B8 (X8R8G8B8 is stored the same way), power-of-two sides up to
// SOFT_MAX_TEXTURE_SIZE: the rasteriser's wrap addressing relies on powers of two, as
// hardware without non-power-of-two support does.
HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD,
                                        D3DFORMAT format, D3DPOOL, IDirect3DTexture9** texture,
                                        HANDLE* shared)
{
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (shared || levels != 1) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    if (!PowerOfTwo(width) || !PowerOfTwo(height) || width > SOFT_MAX_TEXTURE_SIZE ||
        height > SOFT_MAX_TEXTURE_SIZE) {
        return D3DERR_INVALIDCALL;
    }
    SoftTexture* t = new (std::nothrow) SoftTexture{};
    if (!t) return E_OUTOFMEMORY;
    t->width = int(width);
    t->height = int(height);
    t->pitch = int(width) + SOFT_ROW_PADDING_PIXELS;
    t->texels = static_cast<uint32_t*>(std::calloc(size_t(t->pitch) * height, sizeof(uint32_t)));
    // Every row starts without ink ([0, 0)).
    t->inked = static_cast<int32_t*>(std::calloc(2 * size_t(height), sizeof(int32_t)));
    if (!t->texels || !t->inked) {
        std::free(t->texels);
        std::free(t->inked);
        delete t;
        return E_OUTOFMEMORY;
    }
    t->references = 1;
    t->iface.soft = t;
    *texture = &t->iface;
    textures_alive++;
    PlatformTrace("texture %dx%d created", t->width, t->height);
    return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD)
{
    RECT area;
    if (level != 0 || !locked || soft->locked ||
        !SoftLockArea(rect, soft->width, soft->height, &area)) {
        return D3DERR_INVALIDCALL;
    }
    soft->locked = true;
    soft->locked_top = int(area.top);
    soft->locked_bottom = int(area.bottom);
    locked->Pitch = soft->pitch * 4;
    locked->pBits = soft->texels + size_t(area.top) * size_t(soft->pitch) + size_t(area.left);
    return D3D_OK;
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level)
{
    if (level != 0 || !soft->locked) return D3DERR_INVALIDCALL;
    soft->locked = false;
    FindInk(soft, soft->locked_top, soft->locked_bottom);
    return D3D_OK;
}

ULONG IDirect3DTexture9::AddRef() { return ++soft->references; }

ULONG IDirect3DTexture9::Release()
{
    SoftTexture* t = soft;
    ULONG left = --t->references;
    if (left == 0) {
        std::free(t->texels);
        std::free(t->inked);
        delete t;
        textures_alive--;
    }
    return left;
}

// ---- Vertex buffers ----------------------------------------------------------------------

const UINT MAX_VERTEX_BUFFER_LENGTH = 64u << 20;

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL,
                                             IDirect3DVertexBuffer9** buffer, HANDLE* shared)
{
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (shared || length == 0 || length > MAX_VERTEX_BUFFER_LENGTH) return D3DERR_INVALIDCALL;
    SoftVertexBuffer* b = new (std::nothrow) SoftVertexBuffer{};
    if (!b) return E_OUTOFMEMORY;
    b->bytes = static_cast<uint8_t*>(std::calloc(length, 1));
    if (!b->bytes) {
        delete b;
        return E_OUTOFMEMORY;
    }
    b->length = length;
    b->references = 1;
    b->iface.soft = b;
    *buffer = &b->iface;
    vertex_buffers_alive++;
    PlatformTrace("vertex buffer of %u bytes created", length);
    return D3D_OK;
}

// size 0 locks from offset to the end (offset 0, size 0: the whole buffer). Locks may nest,
// as in Direct3D 9; each needs its Unlock.
HRESULT IDirect3DVertexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD)
{
    if (!data || offset > soft->length) return D3DERR_INVALIDCALL;
    if (size == 0) size = soft->length - offset;
    if (size > soft->length - offset) return D3DERR_INVALIDCALL;
    soft->locks++;
    *data = soft->bytes + offset;
    return D3D_OK;
}

HRESULT IDirect3DVertexBuffer9::Unlock()
{
    if (soft->locks == 0) return D3DERR_INVALIDCALL;
    soft->locks--;
    return D3D_OK;
}

ULONG IDirect3DVertexBuffer9::AddRef() { return ++soft->references; }

ULONG IDirect3DVertexBuffer9::Release()
{
    SoftVertexBuffer* b = soft;
    ULONG left = --b->references;
    if (left == 0) {
        std::free(b->bytes);
        delete b;
        vertex_buffers_alive--;
    }
    return left;
}
