#include "tools/common/heard_block.h"

#include <cstddef>

#include "player/playback.h"

int32_t PlayingBlock()
{
    // An atomic load of a plain variable (std::atomic_ref is missing from some C++ libraries,
    // Emscripten's among them).
    int32_t block = __atomic_load_n(&write_block, __ATOMIC_RELAXED);
    return blocks_in_ring > 0 ? (block % blocks_in_ring + blocks_in_ring) % blocks_in_ring : 0;
}

int32_t BlockPeak(int32_t block)
{
    const int16_t* pcm = pcm_ring + static_cast<size_t>(block) * block_frames * 2;
    int32_t peak = 0;
    for (int32_t i = 0; i < block_frames * 2; ++i) {
        int32_t level = pcm[i] < 0 ? -pcm[i] : pcm[i];
        if (level > peak) peak = level;
    }
    return peak;
}
