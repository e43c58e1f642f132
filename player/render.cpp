// Rendering into memory: the block fill the device path runs, without the device. The blocks
// are mixed into the output ring one at a time and handed out in whatever runs the caller
// asks for; what is left of a block waits for the next call.
#include <algorithm>
#include <cstring>

#include "player/playback.h"
#include "player/player.h"

namespace {

struct RenderState {
    const int16_t* left_pcm;  // the part of the last block not handed out yet
    int32_t left_frames;
    int64_t frames_done;
};
RenderState render;

}  // namespace

bool StartRender(Song* song)
{
    render = RenderState{};
    if (song == nullptr) return false;
    ResetPlayback(song);
    AllocateRingBuffers();
    if (sync_ring == nullptr || pcm_ring == nullptr || mix_buffer == nullptr) {
        ReleasePlaybackBuffers();
        return false;
    }
    return true;
}

int64_t RenderPcm(int16_t* out, int64_t frames)
{
    if (current_song == nullptr || pcm_ring == nullptr) return 0;
    int64_t done = 0;
    while (done < frames) {
        if (render.left_frames == 0) {
            const int32_t block = write_block;
            FillBlock();
            render.left_pcm = pcm_ring + static_cast<size_t>(block) * block_frames * 2;
            render.left_frames = block_frames;
        }
        const int32_t count =
            static_cast<int32_t>(std::min<int64_t>(render.left_frames, frames - done));
        std::memcpy(out + done * 2, render.left_pcm,
                    static_cast<size_t>(count) * 2 * sizeof(int16_t));
        render.left_pcm += static_cast<size_t>(count) * 2;
        render.left_frames -= count;
        done += count;
    }
    render.frames_done += done;
    return done;
}

PlayPosition RenderPosition()
{
    const Song* song = current_song;
    if (song == nullptr) return PlayPosition{0, 0, 0, 0, render.frames_done};
    return PlayPosition{song->order, song->row, song->tick, song->elapsed_ms, render.frames_done};
}

void StopRender()
{
    ReleasePlaybackBuffers();
    render = RenderState{};
}
