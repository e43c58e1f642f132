// The channel volume's range, 0..MAX_VOLUME, and the two limits that keep a slid volume in it.
#pragma once

#include <cstdint>

constexpr int32_t MAX_VOLUME = 64;

constexpr int32_t AtMost64(int32_t volume) { return volume > MAX_VOLUME ? MAX_VOLUME : volume; }
constexpr int32_t AtLeast0(int32_t volume) { return volume < 0 ? 0 : volume; }
