// One frame of the scene: page square, two panels, 30 bubbles, the silhouette written into
// the back buffer, one pager step, present. Every animated value is a 32-bit float advanced
// by a fixed step per frame; no clock is read, so the scene runs at the display's rate.
#include "scene/frame_renderer.h"

#include <cmath>
#include <cstring>

#include "gfx/scene_layout.h"
#include "scene/pager.h"
#include "scene/scene_state.h"

namespace {

// Height of one bubble cell in the sprite sheet, in texture units (also its width).
constexpr float BUBBLE_CELL_SPAN = 0.27f;
constexpr float BUBBLE_SIZE = 64.0f;
constexpr D3DCOLOR BUBBLE_TOP_COLOUR = 0x808080;
constexpr D3DCOLOR BUBBLE_BOTTOM_COLOUR = 0xF08080;
constexpr D3DCOLOR SILHOUETTE_COLOUR = 0x221133;
constexpr float SPRITE_PHASE_STEP = 0.04f;
constexpr float BUBBLE_PHASE_STEP = 0.01f;
constexpr float SILHOUETTE_PHASE_STEP = 0.05f;
constexpr float SILHOUETTE_A_STEP = 0.02f;
constexpr float SILHOUETTE_B_STEP = 0.04f;
constexpr float BUBBLE_WRAP_LIMIT = -100.0f;
constexpr float BUBBLE_RESTART_Y = 700.0f;

// Copies a quad into the one vertex buffer and draws it as a two-triangle fan. A failed
// lock writes nothing; the draw then shows whatever the buffer held.
void DrawQuad(const TLVertex quad[4])
{
    if (vertex_buffer != nullptr) {
        void* data = nullptr;
        if (SUCCEEDED(vertex_buffer->Lock(0, 0, &data, 0)) && data != nullptr) {
            std::memcpy(data, quad, 4 * sizeof(TLVertex));
            vertex_buffer->Unlock();
        }
    }
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

void PlacePanel(TLVertex quad[4], float left)
{
    quad[0].x = left;
    quad[3].x = left;
    quad[1].x = left + PANEL_WIDTH;
    quad[2].x = left + PANEL_WIDTH;
}

void DrawSilhouette()
{
    // A failed lock, or one whose rows are too short, writes nothing; the wave still moves.
    D3DLOCKED_RECT locked = {};
    if (back_buffer != nullptr && SUCCEEDED(back_buffer->LockRect(&locked, nullptr, 0))) {
        const int stride = locked.Pitch / 4;
        if (locked.pBits != nullptr && stride >= SCREEN_WIDTH) {
            WriteSilhouette(static_cast<uint32_t*>(locked.pBits), stride);
        }
        back_buffer->UnlockRect();
    }
    silhouette_phase += SILHOUETTE_PHASE_STEP;
}

}  // namespace

void PlacePageQuad()
{
    const double a = page_angle;
    const double s = page_scale;
    const double cos_a = std::cos(a);
    const double sin_a = std::sin(a);
    for (int i = 0; i < 4; ++i) {
        const double dx = page_corners[i][0];
        const double dy = page_corners[i][1];
        page_quad[i].x = static_cast<float>(PAGE_CENTRE_X + s * (dx * cos_a + dy * sin_a));
        page_quad[i].y = static_cast<float>(PAGE_CENTRE_Y + s * (dy * cos_a - dx * sin_a));
    }
}

float BubbleCellTop(int k)
{
    if (k <= 10) return 0.0f;
    if (k <= 20) return 0.27f;
    return 0.54f;
}

void MoveBubbles(float draw_positions[SPRITE_COUNT * 2])
{
    float p = sprite_phase;
    for (int k = 0; k < SPRITE_COUNT; ++k) {
        float& y = sprite_positions[2 * k + 1];
        y -= 1.0f;
        if (y <= BUBBLE_WRAP_LIMIT) y = BUBBLE_RESTART_Y;
        const double x = sprite_positions[2 * k];
        draw_positions[2 * k] = static_cast<float>(x + 50.0 * std::sin(4.0 * k + p));
        draw_positions[2 * k + 1] = static_cast<float>(y + 70.0 * std::cos(8.0 * k + p));
        p += BUBBLE_PHASE_STEP;
    }
    sprite_phase += SPRITE_PHASE_STEP;
}

void BubbleQuad(int k, float x, float y, TLVertex quad[4])
{
    const float v = BubbleCellTop(k);
    const float u_end = BUBBLE_CELL_SPAN;
    const float v_end = v + BUBBLE_CELL_SPAN;
    const float right = x + BUBBLE_SIZE;
    const float bottom = y + BUBBLE_SIZE;
    quad[0] = TLVertex{x, y, 1.0f, 1.0f, BUBBLE_TOP_COLOUR, 0.0f, v};
    quad[1] = TLVertex{right, y, 1.0f, 1.0f, BUBBLE_TOP_COLOUR, u_end, v};
    quad[2] = TLVertex{right, bottom, 1.0f, 1.0f, BUBBLE_BOTTOM_COLOUR, u_end, v_end};
    quad[3] = TLVertex{x, bottom, 1.0f, 1.0f, BUBBLE_BOTTOM_COLOUR, 0.0f, v_end};
}

void WriteSilhouette(uint32_t* pixels, int stride)
{
    float a = sprite_phase;
    float b = silhouette_phase - sprite_phase;
    for (int column = 0; column < SCREEN_WIDTH; ++column) {
        const int h1 = static_cast<int>(540.0 + 20.0 * std::sin(static_cast<double>(a)));
        int top = static_cast<int>(h1 + 20.0 * std::cos(static_cast<double>(b)));
        // The waves keep the top between rows 500 and 580; the clamp only guards the block.
        if (top < 0) top = 0;
        for (int row = top; row < SCREEN_HEIGHT; ++row) {
            pixels[static_cast<size_t>(row) * stride + column] = SILHOUETTE_COLOUR;
        }
        a += SILHOUETTE_A_STEP;
        b += SILHOUETTE_B_STEP;
    }
}

void RenderFrame()
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->BeginScene();

    device->SetTexture(0, page_texture);
    PlacePageQuad();
    DrawQuad(page_quad);

    device->SetTexture(0, left_panel_texture);
    PlacePanel(left_panel_quad, left_panel_x);
    DrawQuad(left_panel_quad);

    device->SetTexture(0, right_panel_texture);
    PlacePanel(right_panel_quad, right_panel_x);
    DrawQuad(right_panel_quad);

    // Bubbles add onto the scene. The pager's reveal may turn blending off again after the
    // scene; that then holds for the page and panel draws of the next frame.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTexture(0, sprite_texture);

    float draw_positions[SPRITE_COUNT * 2];
    MoveBubbles(draw_positions);
    for (int k = 0; k < SPRITE_COUNT; ++k) {
        TLVertex quad[4];
        BubbleQuad(k, draw_positions[2 * k], draw_positions[2 * k + 1], quad);
        DrawQuad(quad);
    }

    device->EndScene();
    DrawSilhouette();
    AdvancePager();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}
