// The scene's values (scene_state.cpp): the bubbles' positions, the page and panel quads, the
// page's angle and scale, the panels' positions and the two animation phases. They are
// module-level, owned by the main thread and kept across device resets. ResetSceneState puts
// them back to their start values, for programs that run the intro more than once in one
// process (the scenario tests).
#pragma once

#include "gfx/graphics.h"

constexpr int SPRITE_COUNT = 30;

// 30 bubble positions (x, y), filled once by the application shell before the first frame.
extern float sprite_positions[SPRITE_COUNT * 2];

// Quads in triangle-fan order: top-left, top-right, bottom-right, bottom-left.
extern TLVertex page_quad[4];
extern TLVertex left_panel_quad[4];
extern TLVertex right_panel_quad[4];

extern float page_angle;
extern float page_scale;
extern float left_panel_x;
extern float right_panel_x;
extern float sprite_phase;
extern float silhouette_phase;

// Page square corner offsets (dx, dy) about its centre, in quad vertex order.
extern const float page_corners[4][2];

// Puts every scene value (quads, colours, angles, positions, phases) back to its start value
// and empties sprite_positions.
void ResetSceneState();
