// Exact ends on real modules: a pass ends at the first frame of the tick that goes back to an
// order already played, so its length is the sum of the ticks before it. The sum is taken here
// from the sequencer alone; the control's count must agree, and a render through the block
// fill must be the plain player's PCM up to that frame and silence from it on. The controlled
// render goes through RenderPcm in runs that cut blocks, the plain one block by block.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "player/playback.h"
#include "player/player.h"
#include "player/sequencer.h"
#include "tests/corpus_dir.h"

namespace {

// The frames of `passes` passes, by running SequencerTick directly.
int64_t SumOfTicks(Song* song, int32_t passes)
{
    ResetPlayback(song);
    bool played[MAX_ORDERS] = {};
    int64_t frames = 0;
    for (int32_t pass = 0; pass < passes; ++pass) {
        while (frames < 30ll * 60 * 44100) {
            if (song->tick == 0 && song->next_order >= 0 && played[song->next_order]) break;
            SequencerTick(song);
            played[song->order] = true;
            frames += song->samples_per_tick < 1 ? 1 : song->samples_per_tick;
        }
        std::fill(std::begin(played), std::end(played), false);
        if (pass + 1 < passes) {  // the tick that began the next pass belongs to it
            SequencerTick(song);
            played[song->order] = true;
            frames += song->samples_per_tick < 1 ? 1 : song->samples_per_tick;
        }
    }
    ReleasePlaybackBuffers();
    return frames;
}

std::vector<int16_t> Render(Song* song, int64_t frames)
{
    std::vector<int16_t> pcm;
    ResetPlayback(song);
    AllocateRingBuffers();
    while (static_cast<int64_t>(pcm.size()) < frames * 2) {
        int32_t block = write_block;
        FillBlock();
        const int16_t* at = pcm_ring + static_cast<size_t>(block) * block_frames * 2;
        pcm.insert(pcm.end(), at, at + block_frames * 2);
    }
    ReleasePlaybackBuffers();
    pcm.resize(static_cast<size_t>(frames) * 2);
    return pcm;
}

void CheckExactEnd(const std::filesystem::path& path)
{
    SCOPED_TRACE(path.string());
    auto fresh = [&]() { return LoadModuleFromFile(path.string().c_str(), nullptr); };

    Song* song = fresh();
    const int64_t one = SumOfTicks(song, 1);
    FreeSong(song);
    song = fresh();
    const int64_t two = SumOfTicks(song, 2);
    FreeSong(song);
    ASSERT_GT(one, 0);
    EXPECT_GT(two, one);

    SongControl control;
    bool ended = false;
    song = fresh();
    EXPECT_EQ(CountSongFrames(song, control, 30ll * 60 * 44100, &ended), one);
    EXPECT_TRUE(ended);
    FreeSong(song);
    control.passes = 2;
    song = fresh();
    EXPECT_EQ(CountSongFrames(song, control, 60ll * 60 * 44100, &ended), two);
    FreeSong(song);

    // Through the block fill: the plain player's PCM up to the end, silence after it.
    const int64_t frames = one + 3000;
    song = fresh();
    std::vector<int16_t> plain = Render(song, frames);
    FreeSong(song);
    song = fresh();
    control.passes = 1;
    ControlSong(song, control);
    std::vector<int16_t> controlled(static_cast<size_t>(frames) * 2);
    ASSERT_TRUE(StartRender(song));
    for (int64_t done = 0, run = 1; done < frames; done += run, run = run * 7 % 3001) {
        run = std::min(run, frames - done);
        ASSERT_EQ(RenderPcm(controlled.data() + done * 2, run), run);
    }
    StopRender();
    EXPECT_EQ(ControlledSongProgress().end_frame.load(), one);
    FreeSong(song);
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + one * 2, controlled.begin()))
        << "the control changed the song before its end";
    EXPECT_TRUE(std::all_of(controlled.begin() + one * 2, controlled.end(), [](int16_t v) {
        return v == 0;
    })) << "sound after the end";
}

TEST(ExactEnd, EmbeddedModule) { CheckExactEnd(INTRO_BINARY_DIR "/assets/embedded.xm"); }

TEST(ExactEnd, CorpusSongsAndJumps)
{
    std::filesystem::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "songs")) {
        CheckExactEnd(entry.path());
    }
    // Position jumps and pattern breaks back to earlier orders.
    CheckExactEnd(corpus / "effects/libxmp/pattern_jump_ft2_break.xm");
}

}  // namespace
