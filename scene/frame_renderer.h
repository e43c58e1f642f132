// One frame of the scene (frame_renderer.cpp): RenderFrame, and the pieces of a frame that
// compute rather than draw, so that they can be checked on their own: where the page's
// corners lie, how the bubbles move and which cell each shows, and the silhouette written
// into a locked pixel block.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"
#include "scene/scene_state.h"

// Draws one frame, runs one pager step and presents.
void RenderFrame();

// Turns and scales page_corners about (400, 310) by page_angle and page_scale into the
// positions of page_quad; colours and u/v stay.
void PlacePageQuad();

// Top v of bubble k's cell: the large picture for 0..10, medium for 11..20, small for 21..29.
float BubbleCellTop(int k);

// Raises every bubble by one pixel (wrapping to 700 at -100 or above), writes each one's
// swayed draw position (X, Y) into `draw_positions` and advances sprite_phase.
void MoveBubbles(float draw_positions[SPRITE_COUNT * 2]);

// The four vertices of bubble k drawn at (x, y).
void BubbleQuad(int k, float x, float y, TLVertex quad[4]);

// Writes the silhouette into an 800 x 600 block of 0x00RRGGBB pixels whose rows are
// `stride` pixels apart (stride >= 800), from sprite_phase and silhouette_phase.
void WriteSilhouette(uint32_t* pixels, int stride);
