// The software Direct3D 9 device through its interfaces, on the headless host: creation,
// resources and their locks, reference counts, render states, drawing, presentation, and the
// lost / not-reset / reset cycle.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d9_api.h"
#include "platform/headless/headless.h"

namespace {

struct Vertex {  // FVF 0x144
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};
static_assert(sizeof(Vertex) == 28, "FVF 0x144 vertex");

D3DPRESENT_PARAMETERS Parameters(bool windowed = true)
{
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = 800;
    p.BackBufferHeight = 600;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = windowed ? TRUE : FALSE;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    p.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return p;
}

// A device set up the way the system sets it up, with helpers to draw quads and read pixels.
class Device : public ::testing::Test {
protected:
    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* buffer = nullptr;
    D3DPRESENT_PARAMETERS parameters = Parameters();

    void SetUp() override
    {
        HeadlessReset();
        direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3d, nullptr);
        ASSERT_EQ(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
                  D3D_OK);
        ASSERT_EQ(device->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_MANAGED,
                                             &buffer, nullptr),
                  D3D_OK);
        device->SetFVF(0x144);
        device->SetStreamSource(0, buffer, 0, 28);
    }
    void TearDown() override
    {
        if (buffer) buffer->Release();
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (direct3d) {
            EXPECT_EQ(direct3d->Release(), 0u);
        }
        HeadlessReset();
    }

    IDirect3DTexture9* Texture(UINT size)
    {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(
            device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
        return t;
    }

    HRESULT Quad(float x0, float y0, float x1, float y1, DWORD colour)
    {
        Vertex quad[4] = {{x0, y0, 1, 1, colour, 0, 0},
                          {x1, y0, 1, 1, colour, 1, 0},
                          {x1, y1, 1, 1, colour, 1, 1},
                          {x0, y1, 1, 1, colour, 0, 1}};
        void* data = nullptr;
        EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, quad, sizeof quad);
        buffer->Unlock();
        return device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    }

    uint32_t Pixel(int x, int y)
    {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
        D3DLOCKED_RECT locked = {};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        uint32_t value = static_cast<const uint32_t*>(
            locked.pBits)[size_t(y) * size_t(locked.Pitch / 4) + size_t(x)];
        surface->UnlockRect();
        surface->Release();
        return value;
    }
};

}  // namespace

// ---- Creation ----------------------------------------------------------------------------

TEST(Direct3D, OnlyTheKnownSdkVersionIsServed)
{
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    IDirect3D9* d3d = Direct3DCreate9(32);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(d3d->AddRef(), 2u);
    EXPECT_EQ(d3d->Release(), 1u);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST(Direct3D, DeviceCreationFollowsTheDisplay)
{
    HeadlessReset();
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS p = Parameters(false);

    HeadlessSetDisplayAvailable(false);
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(&p);  // must be overwritten
    EXPECT_LT(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              0);
    EXPECT_EQ(device, nullptr);

    HeadlessSetDisplayAvailable(true);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3D_OK);
    EXPECT_TRUE(HeadlessDisplayOpen());
    EXPECT_TRUE(HeadlessDisplayFullscreen());  // Windowed FALSE
    // The device holds the Direct3D object: releasing it first is safe.
    EXPECT_EQ(d3d->Release(), 1u);
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_FALSE(HeadlessDisplayOpen());

    D3DPRESENT_PARAMETERS odd = Parameters();
    odd.BackBufferWidth = 640;
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &odd, &device), D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
    HeadlessReset();
}

// ---- Resources ---------------------------------------------------------------------------

TEST_F(Device, TextureRowsArePaddedAndLocksAreExclusive)
{
    IDirect3DTexture9* texture = Texture(256);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_GT(locked.Pitch, 256 * 4);
    EXPECT_EQ(locked.Pitch % 4, 0);
    ASSERT_NE(locked.pBits, nullptr);

    D3DLOCKED_RECT again = {};
    EXPECT_EQ(texture->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    EXPECT_EQ(again.pBits, nullptr);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);

    EXPECT_EQ(texture->LockRect(1, &again, nullptr, 0), D3DERR_INVALIDCALL);  // one level only
    EXPECT_EQ(again.pBits, nullptr);
    RECT outside = {200, 200, 300, 210};
    EXPECT_EQ(texture->LockRect(0, &again, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(again.pBits, nullptr);

    RECT part = {10, 20, 30, 40};
    ASSERT_EQ(texture->LockRect(0, &again, &part, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(again.pBits),
              static_cast<uint8_t*>(locked.pBits) + 20 * locked.Pitch + 10 * 4);
    texture->UnlockRect(0);

    IDirect3DTexture9* refused = texture;
    EXPECT_EQ(
        device->CreateTexture(300, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &refused, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(Device, VertexBufferLocksStayInsideAndDrawsCheckTheRange)
{
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 113, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(113, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    ASSERT_EQ(buffer->Lock(28, 0, &data, 0), D3D_OK);  // offset to the end
    buffer->Unlock();
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);

    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(Quad(0, 0, 4, 4, 0xFFFFFF), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 3), D3DERR_INVALIDCALL);  // 5 vertices
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0xFFFFFFFFu, 2), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, buffer, 0, 0xFFFFFFF0u);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3DERR_INVALIDCALL);
    device->SetStreamSource(0, buffer, 0, 28);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2),
              D3DERR_INVALIDCALL);  // outside a scene
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(Device, BindingsAndTheBackBufferHoldReferences)
{
    IDirect3DTexture9* texture = Texture(64);
    EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(texture->AddRef(), 3u);  // ours, the device's, this one
    EXPECT_EQ(texture->Release(), 2u);
    EXPECT_EQ(texture->Release(), 1u);  // the device still holds it
    EXPECT_EQ(buffer->AddRef(), 3u);
    EXPECT_EQ(buffer->Release(), 2u);

    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    IDirect3DSurface9* same = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &same), D3D_OK);
    EXPECT_EQ(surface, same);
    EXPECT_EQ(same->Release(), 1u);

    // Releasing in the system's order: surface, texture (already), buffer, device. The device
    // drops its bindings as it goes; the sanitizers catch a double free or a leak.
    EXPECT_EQ(surface->Release(), 0u);
    EXPECT_EQ(buffer->Release(), 1u);
    buffer = nullptr;
}

TEST_F(Device, SurfaceHeldPastTheDeviceStaysUsable)
{
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface), D3D_OK);
    buffer->Release();
    buffer = nullptr;
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[599 * (locked.Pitch / 4) + 799] = 1;
    surface->UnlockRect();
    EXPECT_EQ(surface->Release(), 0u);
}

// ---- States and drawing ------------------------------------------------------------------

TEST_F(Device, ClearFillsTheTargetAndPresentHandsItToTheHost)
{
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00123456, 1.0f, 0), D3D_OK);
    D3DRECT corner = {790, 590, 900, 900};
    EXPECT_EQ(device->Clear(1, &corner, D3DCLEAR_TARGET, 0x00ABCDEF, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0),
              D3DERR_INVALIDCALL);  // no depth buffer
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(HeadlessFrameCount(), 1);
    ASSERT_EQ(HeadlessLastFrameWidth(), 800);
    ASSERT_EQ(HeadlessLastFrameHeight(), 600);
    std::vector<uint32_t> frame = HeadlessLastFrame();
    EXPECT_EQ(frame[0], 0x00123456u);
    EXPECT_EQ(frame[599 * 800 + 789], 0x00123456u);
    EXPECT_EQ(frame[590 * 800 + 790], 0x00ABCDEFu);
    EXPECT_EQ(frame[599 * 800 + 799], 0x00ABCDEFu);

    // Pixels written through the surface lock, row by row with its pitch, are presented.
    IDirect3DSurface9* surface = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_GE(locked.Pitch, 800 * 4);
    static_cast<uint32_t*>(locked.pBits)[300 * (locked.Pitch / 4) + 5] = 0x00221133;
    EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
    surface->UnlockRect();
    surface->Release();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(HeadlessLastFrame()[300 * 800 + 5], 0x00221133u);
}

TEST_F(Device, PageTexelsLandOneToOneOnTheScreen)
{
    // The page at rest covers (144, 54) to (656, 566): texel (i, j) → pixel (144 + i, 54 + j).
    IDirect3DTexture9* page = Texture(512);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(page->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int j = 0; j < 512; j++) {
        uint32_t* row =
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + j * locked.Pitch);
        for (int i = 0; i < 512; i++) row[i] = uint32_t(i) << 12 | uint32_t(j);
    }
    page->UnlockRect(0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();
    device->SetTexture(0, page);
    ASSERT_EQ(Quad(144, 54, 656, 566, 0xFFFFFF), D3D_OK);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    std::vector<uint32_t> frame = HeadlessLastFrame();
    for (int y = 0; y < 600; y++) {
        for (int x = 0; x < 800; x++) {
            bool in = x >= 144 && x < 656 && y >= 54 && y < 566;
            uint32_t expected = in ? (uint32_t(x - 144) << 12 | uint32_t(y - 54)) : 0;
            ASSERT_EQ(frame[size_t(y) * 800 + size_t(x)], expected) << x << "," << y;
        }
    }
    device->SetTexture(0, nullptr);
    EXPECT_EQ(page->Release(), 0u);
}

TEST_F(Device, BlendingIsOffUntilEnabledAndAddsWithOneOne)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00100000, 1.0f, 0);
    device->BeginScene();
    Quad(0, 0, 2, 2, 0x00000020);  // default: no blending
    EXPECT_EQ(Pixel(0, 0), 0x00000020u);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    Quad(0, 0, 2, 2, 0x00000030);  // defaults SRCBLEND ONE, DESTBLEND ZERO: replaces
    EXPECT_EQ(Pixel(0, 0), 0x00000030u);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Quad(0, 0, 2, 2, 0x00F000E0);
    EXPECT_EQ(Pixel(0, 0), 0x00F000FFu);  // blue 0x30 + 0xE0 saturates
    EXPECT_EQ(Pixel(2, 0), 0x00100000u);
    device->EndScene();
}

// ---- Loss and reset ----------------------------------------------------------------------

TEST_F(Device, LostDeviceNeedsAResetOnceTheDisplayIsBack)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    HeadlessSetDisplayUsable(false);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(HeadlessFrameCount(), 0);
    EXPECT_EQ(device->Reset(&parameters), D3DERR_DEVICELOST);

    HeadlessSetDisplayUsable(true);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);  // until Reset

    IDirect3DSurface9* surface = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);  // back buffer still held
    surface->Release();
    buffer->Release();  // as the system does before a reset
    buffer = nullptr;
    ASSERT_EQ(device->Reset(&parameters), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(HeadlessFrameCount(), 1);

    // Default states again: blending off, nothing bound.
    ASSERT_EQ(device->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_MANAGED, &buffer,
                                         nullptr),
              D3D_OK);
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3DERR_INVALIDCALL);  // no stream
    device->SetFVF(0x144);
    device->SetStreamSource(0, buffer, 0, 28);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00404040, 1.0f, 0);
    Quad(0, 0, 1, 1, 0x00010101);
    EXPECT_EQ(Pixel(0, 0), 0x00010101u);
    device->EndScene();
}

TEST_F(Device, ScheduledLossFromTheHostIsSeenByTheNextQuery)
{
    HeadlessScheduleDisplayLoss(1, 2);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    buffer->Release();
    buffer = nullptr;
    EXPECT_EQ(device->Reset(&parameters), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
}
