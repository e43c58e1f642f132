#include "tools/xm2wav/render.h"

#include <algorithm>
#include <vector>

int64_t RenderSong(Song* song, int64_t frames, BlockSink sink, RenderProgress progress,
                   void* context)
{
    if (!StartRender(song)) return -1;
    std::vector<int16_t> pcm(static_cast<size_t>(RENDER_CHUNK_FRAMES) * 2);
    int64_t frames_done = 0;
    bool refused = false;
    while (frames_done < frames) {
        const int64_t wanted = std::min<int64_t>(RENDER_CHUNK_FRAMES, frames - frames_done);
        const int32_t count = static_cast<int32_t>(RenderPcm(pcm.data(), wanted));
        if (!sink(pcm.data(), count, context)) {
            refused = true;
            break;
        }
        frames_done += count;
        if (progress != nullptr) progress(frames_done, song, context);
    }
    StopRender();
    return refused ? -1 : frames_done;
}
