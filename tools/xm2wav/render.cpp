#include "tools/xm2wav/render.h"

#include <algorithm>

int64_t RenderSong(Song* song, int64_t frames, BlockSink sink, RenderProgress progress,
                   void* context)
{
    if (!StartRender(song)) return -1;
    int64_t frames_done = 0;
    bool refused = false;
    while (frames_done < frames) {
        const int16_t* pcm = nullptr;
        const float* mix = nullptr;
        const int64_t block = RenderBlock(&pcm, &mix);
        const int32_t count = static_cast<int32_t>(std::min(block, frames - frames_done));
        if (count <= 0 || !sink(pcm, mix, count, context)) {
            refused = true;
            break;
        }
        frames_done += count;
        if (progress != nullptr) progress(frames_done, song, context);
    }
    StopRender();
    return refused ? -1 : frames_done;
}
