#include "tools/xm2wav/render.h"

#include "player/playback.h"
#include "player/sequencer.h"

namespace {

// The song "repeats" when a row step enters an order it has already played: the natural end
// wrapping to the restart position, or a jump or break back to an earlier (or the same) order.
// Pattern loops stay within an order and do not count.
struct RepeatWatch {
    TickHandler sequencer_tick;
    bool order_played[256];
    bool repeated;
};
RepeatWatch watch;

void WatchingTick(Song* song)
{
    if (song->tick == 0 && song->next_order >= 0 && song->next_order < 256 &&
        watch.order_played[song->next_order]) {
        watch.repeated = true;
    }
    watch.sequencer_tick(song);
    if (song->order >= 0 && song->order < 256) watch.order_played[song->order] = true;
}

}  // namespace

int64_t RenderSong(Song* song, const RenderLimits& limits, BlockSink sink, RenderProgress progress,
                   void* context)
{
    ResetPlayback(song);
    AllocateRingBuffers();
    TickHandler original = song->tick_handler;
    watch = RepeatWatch{};
    watch.sequencer_tick = original != nullptr ? original : SequencerTick;
    song->tick_handler = WatchingTick;

    int64_t frames_done = 0;
    bool refused = false;
    while (frames_done < limits.max_frames) {
        int32_t block = write_block;
        FillBlock();
        int64_t wanted = limits.max_frames - frames_done;
        int32_t frames = wanted < block_frames ? static_cast<int32_t>(wanted) : block_frames;
        const int16_t* pcm = pcm_ring + static_cast<int64_t>(block) * block_frames * 2;
        if (!sink(pcm, frames, context)) {
            refused = true;
            break;
        }
        frames_done += frames;
        if (progress != nullptr) progress(frames_done, song, context);
        if (limits.stop_at_repeat && watch.repeated) break;
    }

    song->tick_handler = original;
    ReleasePlaybackBuffers();
    return refused ? -1 : frames_done;
}
