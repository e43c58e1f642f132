// The scene's start values, and a way back to them for programs that run the intro more
// than once in one process (the scenario tests).
#pragma once

#include "scene/scene.h"

// Page square corner offsets (dx, dy) about its centre, in quad vertex order.
extern const float page_corners[4][2];

// Puts every scene value (quads, colours, angles, positions, phases) back to its start value
// and empties sprite_positions.
void ResetSceneState();
