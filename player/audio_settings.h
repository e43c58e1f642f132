// The two audio settings, fixed in the executable and stored as data: the output rate and the
// length of the output ring.
#pragma once

#include <cstdint>

extern const int32_t MIX_RATE;   // 44100 frames per second
extern const int32_t BUFFER_MS;  // 1000
