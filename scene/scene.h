// The scene: everything one frame draws, and the values the text pager animates.
#pragma once

#include <cstdint>

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

// Draws one frame, runs one pager step and presents.
void RenderFrame();
