#include "tools/common/heard_block.h"

int32_t BlockPeak(const int16_t* pcm, int32_t frames)
{
    int32_t peak = 0;
    for (int32_t i = 0; i < frames * 2; ++i) {
        int32_t level = pcm[i] < 0 ? -pcm[i] : pcm[i];
        if (level > peak) peak = level;
    }
    return peak;
}
