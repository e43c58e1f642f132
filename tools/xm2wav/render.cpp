#include "tools/xm2wav/render.h"

#include "player/playback.h"

int64_t RenderSong(Song* song, int64_t frames, BlockSink sink, RenderProgress progress,
                   void* context)
{
    ResetPlayback(song);
    AllocateRingBuffers();
    int64_t frames_done = 0;
    bool refused = false;
    while (frames_done < frames) {
        int32_t block = write_block;
        FillBlock();
        int64_t wanted = frames - frames_done;
        int32_t count = wanted < block_frames ? static_cast<int32_t>(wanted) : block_frames;
        const int64_t offset = static_cast<int64_t>(block) * block_frames * 2;
        if (!sink(pcm_ring + offset, mix_buffer + offset, count, context)) {
            refused = true;
            break;
        }
        frames_done += count;
        if (progress != nullptr) progress(frames_done, song, context);
    }
    ReleasePlaybackBuffers();
    return refused ? -1 : frames_done;
}
