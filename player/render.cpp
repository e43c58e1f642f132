// Rendering into memory: the block fill the device path runs, without the device. The blocks
// are mixed into the output ring one at a time and handed out whole (RenderBlock) or in
// whatever runs the caller asks for (RenderPcm); what is left of a block waits for the next
// call of either. Every block is mixed in the ring's first block: where in the ring a block lies
// changes nothing of what is mixed, and a render touches the pages of one block only (which
// keeps a forked renderer from copying the whole ring from its parent).
#include <algorithm>
#include <cstring>

#include "player/mixer_path.h"
#include "player/playback.h"
#include "player/player.h"

namespace {

struct RenderState {
    const int16_t* left_pcm;  // the part of the last block not handed out yet
    const float* left_mix;    // the float mix it was converted from
    int32_t left_frames;
    int64_t frames_done;
};
RenderState render;

// Mixes the next block when nothing of the last one is left.
bool HaveFrames()
{
    if (current_song == nullptr || pcm_ring == nullptr) return false;
    if (render.left_frames > 0) return true;
    write_block = 0;
    FillBlock();
    render.left_pcm = pcm_ring;
    render.left_mix = mix_buffer;
    render.left_frames = block_frames;
    return true;
}

void HandOut(int32_t frames)
{
    render.left_pcm += static_cast<size_t>(frames) * 2;
    render.left_mix += static_cast<size_t>(frames) * 2;
    render.left_frames -= frames;
    render.frames_done += frames;
}

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

int32_t RenderBlock(const int16_t** pcm, const float** mix)
{
    if (!HaveFrames()) return 0;
    const int32_t frames = render.left_frames;
    *pcm = render.left_pcm;
    if (mix != nullptr) *mix = render.left_mix;
    HandOut(frames);
    return frames;
}

int32_t RenderBlockFrames() { return block_frames; }

void SkipRenderBlocks(int32_t blocks)
{
    if (current_song == nullptr || pcm_ring == nullptr) return;
    SetAdvanceOnly(true);
    for (int32_t b = 0; b < blocks; ++b) {
        write_block = 0;
        FillBlock();
    }
    SetAdvanceOnly(false);
    render.frames_done += static_cast<int64_t>(blocks) * block_frames;
}

int64_t RenderPcm(int16_t* out, int64_t frames)
{
    int64_t done = 0;
    while (done < frames && HaveFrames()) {
        const int32_t count =
            static_cast<int32_t>(std::min<int64_t>(render.left_frames, frames - done));
        std::memcpy(out + done * 2, render.left_pcm,
                    static_cast<size_t>(count) * 2 * sizeof(int16_t));
        HandOut(count);
        done += count;
    }
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
