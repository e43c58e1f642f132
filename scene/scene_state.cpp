// The scene values: module-level, owned by the main thread, kept across device resets.
#include "scene/scene_state.h"

#include "gfx/scene_layout.h"

namespace {

constexpr D3DCOLOR PAGE_START_COLOUR = 0x070707;
constexpr D3DCOLOR PANEL_START_COLOUR = 0xFFFFFF;
// The panels start closed.
constexpr float LEFT_PANEL_START_X = LEFT_PANEL_CLOSED_X;
constexpr float RIGHT_PANEL_START_X = RIGHT_PANEL_CLOSED_X;
constexpr float LEFT_PANEL_END_X = LEFT_PANEL_START_X + PANEL_WIDTH;
constexpr float RIGHT_PANEL_END_X = RIGHT_PANEL_START_X + PANEL_WIDTH;

// Four vertices in fan order with the full texture mapped on: u/v (0,0) (1,0) (1,1) (0,1).
void StartQuad(TLVertex quad[4], float left, float top, float right, float bottom, D3DCOLOR colour)
{
    quad[0] = TLVertex{left, top, 1.0f, 1.0f, colour, 0.0f, 0.0f};
    quad[1] = TLVertex{right, top, 1.0f, 1.0f, colour, 1.0f, 0.0f};
    quad[2] = TLVertex{right, bottom, 1.0f, 1.0f, colour, 1.0f, 1.0f};
    quad[3] = TLVertex{left, bottom, 1.0f, 1.0f, colour, 0.0f, 1.0f};
}

}  // namespace

const float page_corners[4][2] = {{-256, -256}, {256, -256}, {256, 256}, {-256, 256}};

float sprite_positions[SPRITE_COUNT * 2] = {};

// Start values, constant-initialised so that they hold before any code runs; ResetSceneState
// writes the same values again.
TLVertex page_quad[4] = {
    {0.0f, 0.0f, 1.0f, 1.0f, PAGE_START_COLOUR, 0.0f, 0.0f},
    {0.0f, 0.0f, 1.0f, 1.0f, PAGE_START_COLOUR, 1.0f, 0.0f},
    {0.0f, 0.0f, 1.0f, 1.0f, PAGE_START_COLOUR, 1.0f, 1.0f},
    {0.0f, 0.0f, 1.0f, 1.0f, PAGE_START_COLOUR, 0.0f, 1.0f},
};
TLVertex left_panel_quad[4] = {
    {LEFT_PANEL_START_X, PANEL_TOP, 1.0f, 1.0f, PANEL_START_COLOUR, 0.0f, 0.0f},
    {LEFT_PANEL_END_X, PANEL_TOP, 1.0f, 1.0f, PANEL_START_COLOUR, 1.0f, 0.0f},
    {LEFT_PANEL_END_X, PANEL_BOTTOM, 1.0f, 1.0f, PANEL_START_COLOUR, 1.0f, 1.0f},
    {LEFT_PANEL_START_X, PANEL_BOTTOM, 1.0f, 1.0f, PANEL_START_COLOUR, 0.0f, 1.0f},
};
TLVertex right_panel_quad[4] = {
    {RIGHT_PANEL_START_X, PANEL_TOP, 1.0f, 1.0f, PANEL_START_COLOUR, 0.0f, 0.0f},
    {RIGHT_PANEL_END_X, PANEL_TOP, 1.0f, 1.0f, PANEL_START_COLOUR, 1.0f, 0.0f},
    {RIGHT_PANEL_END_X, PANEL_BOTTOM, 1.0f, 1.0f, PANEL_START_COLOUR, 1.0f, 1.0f},
    {RIGHT_PANEL_START_X, PANEL_BOTTOM, 1.0f, 1.0f, PANEL_START_COLOUR, 0.0f, 1.0f},
};

float page_angle = 0.0f;
float page_scale = 1.0f;
float left_panel_x = LEFT_PANEL_START_X;
float right_panel_x = RIGHT_PANEL_START_X;
float sprite_phase = 0.0f;
float silhouette_phase = 0.0f;

void ResetSceneState()
{
    // The page's corners are placed every frame; until then they sit at the origin.
    StartQuad(page_quad, 0.0f, 0.0f, 0.0f, 0.0f, PAGE_START_COLOUR);
    StartQuad(left_panel_quad, LEFT_PANEL_START_X, PANEL_TOP, LEFT_PANEL_END_X, PANEL_BOTTOM,
              PANEL_START_COLOUR);
    StartQuad(right_panel_quad, RIGHT_PANEL_START_X, PANEL_TOP, RIGHT_PANEL_END_X, PANEL_BOTTOM,
              PANEL_START_COLOUR);
    page_angle = 0.0f;
    page_scale = 1.0f;
    left_panel_x = LEFT_PANEL_START_X;
    right_panel_x = RIGHT_PANEL_START_X;
    sprite_phase = 0.0f;
    silhouette_phase = 0.0f;
    for (float& value : sprite_positions) value = 0.0f;
}
