// The module player under the fuzzer: any bytes loaded as a module, played for a few seconds
// through the block fill with the whole player real, and every sample mixed alone.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise_song.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ExerciseInput(data, size);
    return 0;
}
