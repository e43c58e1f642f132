// The Direct3D object and the device: creation, states, scene, drawing, presentation, the
// lost / reset cycle on top of the host's display, and the back-buffer surface, whose memory
// is the device's own.
//
// Device loss: the host's HostDisplayUsable is asked only by TestCooperativeLevel and Reset.
// Once it answered false the device stays lost until a Reset succeeds; while lost, Present
// shows nothing and reports D3DERR_DEVICELOST (drawing still works, its result is simply
// never shown).
//
// Render states: the blend states are kept. FILLMODE and LIGHTING are accepted and have no
// effect: every triangle is filled solid and pre-transformed vertices are never lit. Blend factors
// other than ZERO, ONE, SRCALPHA and INVSRCALPHA are drawn as ONE (source) and ZERO (destination).
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/d3d9_rasteriser.h"
#include "platform/d3d9_soft.h"
#include "platform/host.h"
#include "platform/trace.h"

namespace {

// The render states as CreateDevice and Reset leave them.
SoftRenderStates DefaultRenderStates()
{
    SoftRenderStates s;
    s.alpha_blend_enable = FALSE;
    s.source_blend = D3DBLEND_ONE;
    s.destination_blend = D3DBLEND_ZERO;
    return s;
}

// The back buffer is always 800 x 600 X8R8G8B8: zero sizes and an unknown format (the
// windowed defaults) are filled in, anything else is refused.
bool AcceptParameters(D3DPRESENT_PARAMETERS* p)
{
    if (p->BackBufferWidth == 0) p->BackBufferWidth = SOFT_BACK_BUFFER_WIDTH;
    if (p->BackBufferHeight == 0) p->BackBufferHeight = SOFT_BACK_BUFFER_HEIGHT;
    if (p->BackBufferFormat == D3DFMT_UNKNOWN) p->BackBufferFormat = D3DFMT_X8R8G8B8;
    return p->BackBufferWidth == UINT(SOFT_BACK_BUFFER_WIDTH) &&
           p->BackBufferHeight == UINT(SOFT_BACK_BUFFER_HEIGHT) &&
           p->BackBufferFormat == D3DFMT_X8R8G8B8 && p->BackBufferCount <= 1 &&
           p->MultiSampleType == D3DMULTISAMPLE_NONE;
}

void BindTexture(SoftDevice* d, IDirect3DTexture9* texture)
{
    if (texture) texture->AddRef();
    if (d->texture) d->texture->Release();
    d->texture = texture;
}

void BindStream(SoftDevice* d, IDirect3DVertexBuffer9* buffer)
{
    if (buffer) buffer->AddRef();
    if (d->stream) d->stream->Release();
    d->stream = buffer;
}

void FreeDevice(SoftDevice* d)
{
    std::free(d->pixels);
    delete d;
}

// Called when the back-buffer surface loses its last reference: frees the device's memory if
// the device itself is gone already.
void SurfaceReleased(SoftDevice* device)
{
    if (device->references == 0) FreeDevice(device);
}

RasterBlendFactor BlendFactor(DWORD value, RasterBlendFactor otherwise)
{
    switch (value) {
    case D3DBLEND_ZERO: return RASTER_BLEND_ZERO;
    case D3DBLEND_ONE: return RASTER_BLEND_ONE;
    case D3DBLEND_SRCALPHA: return RASTER_BLEND_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return RASTER_BLEND_INV_SRC_ALPHA;
    default: return otherwise;
    }
}

// The back buffer keeps its clears pending until its pixels are read, so that pixels the
// scene draws over are not cleared first.
RasterTarget BackBufferTarget(SoftDevice* d)
{
    return RasterTarget{d->pixels, SOFT_BACK_BUFFER_WIDTH, SOFT_BACK_BUFFER_HEIGHT, d->pitch,
                        &d->pending_fill};
}

// A vertex of FVF 0x144: x, y, z, rhw (floats), diffuse (D3DCOLOR), u, v (floats).
RasterVertex ReadVertex(const uint8_t* p)
{
    RasterVertex v;
    std::memcpy(&v.x, p + 0, 4);
    std::memcpy(&v.y, p + 4, 4);
    std::memcpy(&v.diffuse, p + 16, 4);
    std::memcpy(&v.u, p + 20, 4);
    std::memcpy(&v.v, p + 24, 4);
    return v;
}

}  // namespace

// ---- The Direct3D object -----------------------------------------------------------------

IDirect3D9* WINAPI Direct3DCreate9(UINT sdk_version)
{
    if (sdk_version != D3D_SDK_VERSION) return nullptr;
    return new (std::nothrow) IDirect3D9{1};
}

ULONG IDirect3D9::AddRef() { return ++references; }

ULONG IDirect3D9::Release()
{
    ULONG left = --references;
    if (left == 0) delete this;
    return left;
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE, HWND, DWORD,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device)
{
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (!parameters || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (!AcceptParameters(parameters)) return D3DERR_INVALIDCALL;

    SoftDevice* d = new (std::nothrow) SoftDevice{};
    if (!d) return E_OUTOFMEMORY;
    d->pitch = SOFT_BACK_BUFFER_WIDTH + SOFT_ROW_PADDING_PIXELS;
    d->pending_fill.rows = d->pending_rows;
    d->pixels = static_cast<uint32_t*>(
        std::calloc(size_t(d->pitch) * SOFT_BACK_BUFFER_HEIGHT, sizeof(uint32_t)));
    if (!d->pixels) {
        delete d;
        return E_OUTOFMEMORY;
    }
    if (!HostOpenDisplay(!parameters->Windowed)) {
        FreeDevice(d);
        return D3DERR_NOTAVAILABLE;
    }
    d->iface.soft = d;
    d->references = 1;
    d->parent = this;
    AddRef();
    d->parameters = *parameters;
    d->states = DefaultRenderStates();
    d->back_buffer.iface.soft = &d->back_buffer;
    d->back_buffer.owner = d;
    *device = &d->iface;
    return D3D_OK;
}

// ---- Device lifetime and loss ------------------------------------------------------------

ULONG IDirect3DDevice9::Release()
{
    SoftDevice* d = soft;
    ULONG left = --d->references;
    if (left != 0) return left;
    BindTexture(d, nullptr);
    BindStream(d, nullptr);
    HostCloseDisplay();
    d->parent->Release();
    d->parent = nullptr;
    if (d->back_buffer.references == 0) FreeDevice(d);
    return 0;
}

HRESULT IDirect3DDevice9::TestCooperativeLevel()
{
    if (!HostDisplayUsable()) {
        if (!soft->lost) PlatformTrace("device lost");
        soft->lost = true;
        return D3DERR_DEVICELOST;
    }
    return soft->lost ? D3DERR_DEVICENOTRESET : D3D_OK;
}

// As in Direct3D 9, the back buffer must not be held by the caller during a Reset. A Reset
// returns every state to its default: blending off, no texture, no stream, no FVF.
HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* parameters)
{
    SoftDevice* d = soft;
    if (!parameters) return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS wanted = *parameters;
    if (!AcceptParameters(&wanted) || d->back_buffer.references != 0) return D3DERR_INVALIDCALL;
    if (!HostDisplayUsable()) {
        d->lost = true;
        return D3DERR_DEVICELOST;
    }
    if (!wanted.Windowed != !d->parameters.Windowed && !HostOpenDisplay(!wanted.Windowed)) {
        d->lost = true;
        return D3DERR_NOTAVAILABLE;
    }
    *parameters = wanted;
    d->parameters = wanted;
    d->states = DefaultRenderStates();
    d->fvf = 0;
    BindTexture(d, nullptr);
    BindStream(d, nullptr);
    d->stream_offset = 0;
    d->stream_stride = 0;
    d->in_scene = false;
    d->back_buffer.locked = false;
    RasterFinishFills(BackBufferTarget(d));
    d->lost = false;
    PlatformTrace("device reset: %d textures and %d vertex buffers alive", SoftTexturesAlive(),
                  SoftVertexBuffersAlive());
    return D3D_OK;
}

// ---- States ------------------------------------------------------------------------------

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf)
{
    soft->fvf = fvf;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    SoftRenderStates& s = soft->states;
    switch (state) {
    case D3DRS_ALPHABLENDENABLE: s.alpha_blend_enable = value; break;
    case D3DRS_SRCBLEND: s.source_blend = value; break;
    case D3DRS_DESTBLEND: s.destination_blend = value; break;
    case D3DRS_FILLMODE: break;  // every triangle is filled solid
    case D3DRS_LIGHTING: break;  // pre-transformed vertices are never lit
    }
    return D3D_OK;
}

// Only stream 0 exists; the device holds a reference on the bound buffer.
HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                          UINT stride)
{
    if (stream != 0) return D3DERR_INVALIDCALL;
    BindStream(soft, buffer);
    soft->stream_offset = offset;
    soft->stream_stride = stride;
    return D3D_OK;
}

// Only stage 0 exists; the device holds a reference on the bound texture.
HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    if (stage != 0) return D3DERR_INVALIDCALL;
    BindTexture(soft, static_cast<IDirect3DTexture9*>(texture));
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetBackBuffer(UINT swap_chain, UINT index, D3DBACKBUFFER_TYPE type,
                                        IDirect3DSurface9** surface)
{
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (swap_chain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    soft->back_buffer.iface.AddRef();
    *surface = &soft->back_buffer.iface;
    return D3D_OK;
}

// ---- Drawing -----------------------------------------------------------------------------

// There is no depth or stencil buffer, so clearing them is refused as Direct3D 9 does.
HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                                float, DWORD)
{
    if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    if (count != 0 && !rects) return D3DERR_INVALIDCALL;
    if (!(flags & D3DCLEAR_TARGET)) return D3D_OK;
    const RasterTarget target = BackBufferTarget(soft);
    if (count == 0) {
        RasterFillLater(target, 0, 0, target.width, target.height, color);
        return D3D_OK;
    }
    for (DWORD i = 0; i < count; i++) {
        RasterFillLater(target, rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2, color);
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene()
{
    if (soft->in_scene) return D3DERR_INVALIDCALL;
    soft->in_scene = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene()
{
    if (!soft->in_scene) return D3DERR_INVALIDCALL;
    soft->in_scene = false;
    return D3D_OK;
}

// Triangle fans of FVF 0x144 vertices from stream 0, inside a scene. Every vertex the call
// would read must lie inside the bound buffer, else nothing is drawn.
HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start_vertex,
                                        UINT primitive_count)
{
    SoftDevice* d = soft;
    if (!d->in_scene || type != D3DPT_TRIANGLEFAN) return D3DERR_INVALIDCALL;
    if (!d->stream || d->fvf != SOFT_FVF || d->stream_stride < SOFT_VERTEX_SIZE) {
        return D3DERR_INVALIDCALL;
    }
    if (primitive_count == 0) return D3D_OK;
    const SoftVertexBuffer* buffer = d->stream->soft;
    const uint64_t last_vertex = uint64_t(start_vertex) + primitive_count + 1;
    const uint64_t end = d->stream_offset + last_vertex * d->stream_stride + SOFT_VERTEX_SIZE;
    if (end > buffer->length) return D3DERR_INVALIDCALL;

    const uint8_t* first =
        buffer->bytes + d->stream_offset + size_t(start_vertex) * d->stream_stride;
    RasterTexture texture = {};
    if (d->texture) {
        const SoftTexture* t = d->texture->soft;
        texture = RasterTexture{t->texels, t->width, t->height, t->pitch, t->inked};
    }
    RasterBlend blend;
    blend.enabled = d->states.alpha_blend_enable != FALSE;
    blend.source = BlendFactor(d->states.source_blend, RASTER_BLEND_ONE);
    blend.destination = BlendFactor(d->states.destination_blend, RASTER_BLEND_ZERO);
    const RasterTarget target = BackBufferTarget(d);

    const RasterVertex centre = ReadVertex(first);
    RasterVertex previous = ReadVertex(first + d->stream_stride);
    for (UINT i = 0; i < primitive_count; i++) {
        RasterVertex next = ReadVertex(first + size_t(i + 2) * d->stream_stride);
        RasterTriangle(target, d->texture ? &texture : nullptr, centre, previous, next, blend);
        previous = next;
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const RGNDATA*)
{
    if (soft->lost) return D3DERR_DEVICELOST;
    RasterFinishFills(BackBufferTarget(soft));
    HostPresent(soft->pixels, SOFT_BACK_BUFFER_WIDTH, SOFT_BACK_BUFFER_HEIGHT, soft->pitch);
    return D3D_OK;
}

// ---- The back-buffer surface -------------------------------------------------------------

HRESULT IDirect3DSurface9::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD)
{
    RECT area;
    if (!locked || soft->locked ||
        !SoftLockArea(rect, SOFT_BACK_BUFFER_WIDTH, SOFT_BACK_BUFFER_HEIGHT, &area)) {
        return D3DERR_INVALIDCALL;
    }
    SoftDevice* device = soft->owner;
    RasterFinishFills(BackBufferTarget(device));
    soft->locked = true;
    locked->Pitch = device->pitch * 4;
    locked->pBits = device->pixels + size_t(area.top) * size_t(device->pitch) + size_t(area.left);
    return D3D_OK;
}

HRESULT IDirect3DSurface9::UnlockRect()
{
    if (!soft->locked) return D3DERR_INVALIDCALL;
    soft->locked = false;
    return D3D_OK;
}

ULONG IDirect3DSurface9::AddRef() { return ++soft->references; }

ULONG IDirect3DSurface9::Release()
{
    SoftSurface* s = soft;
    ULONG left = --s->references;
    if (left == 0) SurfaceReleased(s->owner);
    return left;
}
