// The bubbles' start positions (sprite_positions.cpp).
#pragma once

// Fills sprite_positions from the runtime's generator, x then y for each bubble.
void FillSpritePositions();
