// The block fill: derived sizes, ticks at exact output frames, elapsed time per run, sync
// records, and the play-start reset of voices, channels and song position.
#include <gtest/gtest.h>

#include <cstdint>

#include "test_sequencer_song.h"

namespace {

int tick_count = 0;
void CountTick(Song*) { ++tick_count; }

// On its second call, starts voice 0 on a constant sample at full gain without a ramp, so the
// mix shows on which frame the tick fell.
Sample constant_sample{};
int16_t constant_frames[1 + 64 + 32];
void StartVoiceOnSecondTick(Song*)
{
    if (++tick_count != 2) return;
    Voice& v = voices[0];
    v.sample = &constant_sample;
    v.position = 0;
    v.position_frac = 0;
    v.step = 1;
    v.step_frac = 0;
    v.direction = 1;
    v.volume = 127;
    v.left_volume = v.right_volume = 127;
    v.ramp_left_target = v.ramp_right_target = 127;
    v.current_left = v.current_right = 127 * 256;
    v.ramp_remaining = 0;
}

}  // namespace

TEST(BlockFill, DerivedSizesAndPlayStartState)
{
    TestSong t(4, {4});
    channels[2].volume = 33;
    voices[70].sample = &t.samples[0];
    t.Start();
    AllocateRingBuffers();
    EXPECT_EQ(block_frames, 884);
    EXPECT_EQ(ring_frames, 88400);
    EXPECT_EQ(blocks_in_ring, 100);
    EXPECT_EQ(ramp_length, 128);
    EXPECT_EQ(ramp_reciprocal, 1.0f / 128.0f);
    EXPECT_EQ(frame_seconds, 1.0f / 44100.0f);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(mix_buffer) % 16, 0u);
    EXPECT_NE(sync_ring, nullptr);
    EXPECT_EQ(current_song, &t.song);
    for (int i = 0; i < VOICE_SLOTS; ++i) {
        EXPECT_EQ(voices[i].index, i);
        EXPECT_EQ(voices[i].step, 1);
        EXPECT_EQ(voices[i].sample, nullptr);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(channels[i].voice, &voices[i]);
    EXPECT_EQ(channels[2].volume, 0);
    EXPECT_EQ(t.song.next_row, -1);
    EXPECT_EQ(t.song.next_order, -1);
    EXPECT_EQ(t.song.speed, 6);
    EXPECT_EQ(t.song.global_volume, 64);
    EXPECT_EQ(t.song.samples_per_tick, 882);
    // The last bytes of both buffers are writable (ASan checks the extents).
    pcm_ring[ring_frames * 2 - 1] = 1;
    mix_buffer[ring_frames * 2 - 1] = 1.0f;
}

TEST(BlockFill, TicksFallOnExactFramesAcrossBlocks)
{
    TestSong t(1, {4});
    t.Start();
    AllocateRingBuffers();
    t.song.tick_handler = CountTick;
    tick_count = 0;
    FillBlock();
    EXPECT_EQ(tick_count, 2);  // frames 0 and 882
    EXPECT_EQ(t.song.samples_to_next_tick, 880);
    EXPECT_EQ(t.song.elapsed_ms, 19);  // 882 frames give 19, the 2 frames 0
    EXPECT_EQ(write_block, 1);
    FillBlock();
    EXPECT_EQ(tick_count, 3);  // frame 880 of block 1
    EXPECT_EQ(t.song.samples_to_next_tick, 878);
    EXPECT_EQ(t.song.elapsed_ms, 19 + 19 + 0);
}

TEST(BlockFill, MixStartsOnTheTickFrame)
{
    for (int i = 0; i < 64; ++i) constant_frames[1 + i] = 16384;
    constant_sample.data = constant_frames + 1;
    constant_sample.length = 64;
    constant_sample.loop_start = 0;
    constant_sample.loop_length = 64;
    constant_sample.loop_type = LOOP_FORWARD;
    constant_frames[1 + 64] = 16384;  // guard frame
    TestSong t(1, {4});
    t.Start();
    AllocateRingBuffers();
    t.song.tick_handler = StartVoiceOnSecondTick;
    tick_count = 0;
    FillBlock();
    int16_t expected = static_cast<int16_t>(16384.0f * (127.0f * (1.0f / 255.0f)) + 0.5f);
    EXPECT_EQ(pcm_ring[881 * 2], 0);
    EXPECT_NEAR(pcm_ring[882 * 2], expected, 1);
    EXPECT_NEAR(pcm_ring[883 * 2 + 1], expected, 1);
}

TEST(BlockFill, SyncRecordsFollowTheSongAndTheRingWraps)
{
    TestSong t(1, {64, 64});
    t.Put(0, 0, 0, 49, 1, 0, 0xF, 1);  // speed 1: a row per tick
    t.Start();
    AllocateRingBuffers();
    int64_t frames = 0;
    int32_t elapsed = 0;
    for (int b = 0; b < blocks_in_ring; ++b) {
        FillBlock();
        frames += block_frames;
        int64_t ticks = (frames + 881) / 882;  // ticks started so far, the first at frame 0
        int64_t row_index = ticks - 1;
        EXPECT_EQ(sync_ring[b].order, static_cast<uint8_t>(row_index / 64 % 2)) << b;
        EXPECT_EQ(sync_ring[b].row, static_cast<uint8_t>(row_index % 64)) << b;
        int32_t recorded = sync_ring[b].elapsed_ms;  // a copy: the field is unaligned
        EXPECT_GE(recorded, elapsed);
        elapsed = recorded;
    }
    EXPECT_EQ(write_block, 0);
    // 88400 frames are 2004 ms; each run truncates on its own, losing under 1 ms per run.
    EXPECT_LE(elapsed, 2004);
    EXPECT_GE(elapsed, 2004 - 2 * blocks_in_ring);
}
