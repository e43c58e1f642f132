// Times the heaviest frame of the scene on the software device, on the headless host:
// clear, the page (a 512 x 512 texture scaled x9.4 and turned 4.65 rad, covering the whole
// screen), the two 512-pixel panels, 30 additive 64 x 64 bubbles, and the present.
// Usage: bench_raster [frames]   (default 500). Prints milliseconds per frame.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/d3d9_api.h"

namespace {

// CPU time of this thread: on a machine shared with other work, wall-clock time would count
// the time the benchmark waits for the processor.
struct Instant {
    timespec time;
};

Instant Now()
{
    Instant now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now.time);
    return now;
}

double Seconds(Instant start, Instant end)
{
    return double(end.time.tv_sec - start.time.tv_sec) +
           1e-9 * double(end.time.tv_nsec - start.time.tv_nsec);
}

struct Vertex {
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT size, uint32_t seed)
{
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                     nullptr))) {
        std::fprintf(stderr, "CreateTexture failed\n");
        std::exit(1);
    }
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < size; y++) {
        uint32_t* row =
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < size; x++) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = (seed >> 8) & 0x00FFFFFF;
        }
    }
    texture->UnlockRect(0);
    return texture;
}

void DrawQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9* buffer, const Vertex quad[4])
{
    void* data = nullptr;
    if (SUCCEEDED(buffer->Lock(0, 0, &data, 0))) {
        std::memcpy(data, quad, 4 * sizeof(Vertex));
        buffer->Unlock();
    }
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

void Rectangle(Vertex quad[4], float x, float y, float w, float h, DWORD top, DWORD bottom,
               float u0, float v0, float u1, float v1)
{
    quad[0] = {x, y, 1, 1, top, u0, v0};
    quad[1] = {x + w, y, 1, 1, top, u1, v0};
    quad[2] = {x + w, y + h, 1, 1, bottom, u1, v1};
    quad[3] = {x, y + h, 1, 1, bottom, u0, v1};
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 500;
    IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = 800;
    parameters.BackBufferHeight = 600;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    IDirect3DDevice9* device = nullptr;
    if (!direct3d ||
        FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device))) {
        std::fprintf(stderr, "CreateDevice failed\n");
        return 1;
    }
    IDirect3DTexture9* page = MakeTexture(device, 512, 1);
    IDirect3DTexture9* left = MakeTexture(device, 512, 2);
    IDirect3DTexture9* right = MakeTexture(device, 512, 3);
    IDirect3DTexture9* sprites = MakeTexture(device, 256, 4);
    IDirect3DVertexBuffer9* buffer = nullptr;
    device->CreateVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_MANAGED, &buffer, nullptr);
    device->SetFVF(0x144);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetStreamSource(0, buffer, 0, 28);

    const double angle = 4.65, scale = 9.4;
    const float corners[4][2] = {{-256, -256}, {256, -256}, {256, 256}, {-256, 256}};
    Vertex page_quad[4];
    Rectangle(page_quad, 0, 0, 1, 1, 0x070707, 0x070707, 0, 0, 1, 1);
    for (int i = 0; i < 4; i++) {
        double dx = corners[i][0], dy = corners[i][1];
        page_quad[i].x = float(400 + scale * (dx * std::cos(angle) + dy * std::sin(angle)));
        page_quad[i].y = float(310 + scale * (dy * std::cos(angle) - dx * std::sin(angle)));
    }
    Vertex left_quad[4], right_quad[4];
    Rectangle(left_quad, -112, 50, 512, 512, 0xFFFFFF, 0xFFFFFF, 0, 0, 1, 1);
    Rectangle(right_quad, 400, 50, 512, 512, 0xFFFFFF, 0xFFFFFF, 0, 0, 1, 1);

    double clear_seconds = 0, page_seconds = 0, panel_seconds = 0, bubble_seconds = 0;
    double present_seconds = 0;
    for (int frame = 0; frame < frames; frame++) {
        auto start = Now();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        auto cleared = Now();
        device->BeginScene();
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTexture(0, page);
        DrawQuad(device, buffer, page_quad);
        auto paged = Now();
        device->SetTexture(0, left);
        DrawQuad(device, buffer, left_quad);
        device->SetTexture(0, right);
        DrawQuad(device, buffer, right_quad);
        auto panelled = Now();
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetTexture(0, sprites);
        for (int k = 0; k < 30; k++) {
            Vertex bubble[4];
            float x = float((k * 173 + frame) % 760), y = float((k * 97 + 3 * frame) % 560);
            float v = k <= 10 ? 0.0f : k <= 20 ? 0.27f : 0.54f;
            Rectangle(bubble, x + 0.3f, y + 0.7f, 64, 64, 0x808080, 0xF08080, 0, v, 0.27f,
                      v + 0.27f);
            DrawQuad(device, buffer, bubble);
        }
        device->EndScene();
        auto drawn = Now();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        auto presented = Now();
        clear_seconds += Seconds(start, cleared);
        page_seconds += Seconds(cleared, paged);
        panel_seconds += Seconds(paged, panelled);
        bubble_seconds += Seconds(panelled, drawn);
        present_seconds += Seconds(drawn, presented);
    }
    const double ms = 1000.0 / frames;
    std::printf(
        "frames %d, CPU ms/frame: total %.3f = clear %.3f + page %.3f + panels %.3f + bubbles %.3f"
        " + present (headless copy) %.3f\n",
        frames,
        ms * (clear_seconds + page_seconds + panel_seconds + bubble_seconds + present_seconds),
        ms * clear_seconds, ms * page_seconds, ms * panel_seconds, ms * bubble_seconds,
        ms * present_seconds);

    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    buffer->Release();
    sprites->Release();
    right->Release();
    left->Release();
    page->Release();
    device->Release();
    direct3d->Release();
    return 0;
}
