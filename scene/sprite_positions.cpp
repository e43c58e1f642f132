// The bubbles' start positions. The generator is never seeded, so every run starts the
// bubbles at the same places.
#include "scene/sprite_positions.h"

#include <cstdlib>

#include "scene/scene_state.h"

void FillSpritePositions()
{
    for (int k = 0; k < SPRITE_COUNT; ++k) {
        // Two statements, so x is drawn before y.
        const int x = std::rand() % 800;
        const int y = std::rand() % 600 + 700;
        sprite_positions[2 * k] = static_cast<float>(x);
        sprite_positions[2 * k + 1] = static_cast<float>(y);
    }
}
