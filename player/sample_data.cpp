// Sample frame buffers with zero guard frames on either side of the data.
#include "player/sample_data.h"

#include <cstdlib>

namespace {

// One zero frame sits before frame 0 so that no read at index -1 leaves the allocation.
constexpr uint32_t LEADING_GUARD_FRAMES = 1;

}  // namespace

int16_t* AllocateSampleData(uint32_t frames)
{
    size_t total = static_cast<size_t>(LEADING_GUARD_FRAMES) + frames + SAMPLE_SLACK_FRAMES;
    int16_t* block = static_cast<int16_t*>(calloc(total, sizeof(int16_t)));
    return block ? block + LEADING_GUARD_FRAMES : nullptr;
}

void FreeSampleData(int16_t* data)
{
    if (data) free(data - LEADING_GUARD_FRAMES);
}
