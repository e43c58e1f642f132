// The device path against the headless host's virtual audio clock: the pre-fill, the device
// looping over the ring, the mixing thread refilling exactly the blocks the device has left,
// and the orderly stop.
//
// The test never reads what the mixing thread writes while it may be writing it: after moving
// the clock it waits until the thread has completed a whole pass of its loop (seen through
// the host's sleep log, which is guarded by a lock the thread also takes), and only then
// looks at the ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "assets/assets.h"
#include "platform/headless/headless.h"
#include "player/audio_output.h"
#include "player/playback.h"
#include "player/player.h"
#include "player/song.h"
#include "player/source.h"

namespace {

constexpr int BLOCK_FRAMES = 884;
constexpr int BLOCKS = 100;
constexpr int BLOCK_BYTES = BLOCK_FRAMES * 4;
constexpr int RING_BYTES = BLOCKS * BLOCK_BYTES;

void RegisterMemorySource()
{
    RegisterMemoryModule(embedded_module, EMBEDDED_MODULE_SIZE);
    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
}

// The first `blocks` blocks as FillBlock renders them with no device and no thread.
std::vector<uint8_t> RenderOffline(Song* song, int blocks)
{
    std::vector<uint8_t> pcm;
    ResetPlayback(song);
    AllocateRingBuffers();
    write_block = 0;
    for (int b = 0; b < blocks; ++b) {
        const int32_t block = write_block;
        FillBlock();
        const uint8_t* start = reinterpret_cast<const uint8_t*>(pcm_ring) + block * BLOCK_BYTES;
        pcm.insert(pcm.end(), start, start + BLOCK_BYTES);
    }
    ReleasePlaybackBuffers();
    return pcm;
}

std::vector<uint8_t> RingSnapshot()
{
    const uint8_t* ring = reinterpret_cast<const uint8_t*>(pcm_ring);
    return std::vector<uint8_t>(ring, ring + RING_BYTES);
}

bool SameBlock(const std::vector<uint8_t>& a, int block_a, const std::vector<uint8_t>& b,
               int block_b)
{
    return std::memcmp(a.data() + size_t(block_a) * BLOCK_BYTES,
                       b.data() + size_t(block_b) * BLOCK_BYTES, BLOCK_BYTES) == 0;
}

// Waits until the mixing thread has run one whole pass of its loop that began after this
// call: that pass read the device position as it is now and refilled up to it. Each pass
// ends with Sleep(5), recorded by the host.
void WaitForMixingPass()
{
    const int start = HeadlessSleepCount(5);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (HeadlessSleepCount(5) < start + 2) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "mixing thread stalled";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Moves the virtual clock and lets the thread catch up.
std::vector<uint8_t> Play(int bytes)
{
    std::vector<uint8_t> heard = HeadlessAdvanceAudio(bytes);
    WaitForMixingPass();
    return heard;
}

class AudioOutput : public testing::Test {
protected:
    void SetUp() override
    {
        HeadlessReset();
        RegisterMemorySource();
        song = LoadSong(embedded_module, nullptr);
        ASSERT_NE(song, nullptr);
    }
    void TearDown() override
    {
        if (song) {
            StopSong(song);
            FreeSong(song);
        }
        HeadlessReset();
    }
    Song* song = nullptr;
};

TEST_F(AudioOutput, StartUpDerivesTheBlockArithmeticAndPreFillsTheWholeRing)
{
    const std::vector<uint8_t> expected = RenderOffline(song, BLOCKS);
    ASSERT_TRUE(PlaySong(song));
    // Nothing has been heard yet, so the thread has nothing to write: the ring as PlaySong
    // left it is the first two seconds of the song, every block filled before it returned.
    EXPECT_EQ(write_block, 0);
    EXPECT_TRUE(RingSnapshot() == expected);

    EXPECT_EQ(block_frames, BLOCK_FRAMES);
    EXPECT_EQ(ring_frames, 88400);
    EXPECT_EQ(blocks_in_ring, BLOCKS);
    EXPECT_TRUE(HeadlessAudioOpen());
    EXPECT_EQ(HeadlessAudioRate(), 44100);
    // Still so once the thread has looked at the device.
    WaitForMixingPass();
    EXPECT_EQ(write_block, 0);
    EXPECT_TRUE(RingSnapshot() == expected);
    // And the device plays exactly that, from the start of the ring.
    EXPECT_TRUE(Play(RING_BYTES / 2) ==
                std::vector<uint8_t>(expected.begin(), expected.begin() + RING_BYTES / 2));
}

TEST_F(AudioOutput, ThreadRefillsTheBlocksTheDeviceLeftButNotTheOnePlaying)
{
    const std::vector<uint8_t> expected = RenderOffline(song, 2 * BLOCKS);
    ASSERT_TRUE(PlaySong(song));
    // The song must change from the first ring to the second, or the check proves nothing.
    for (int b = 0; b < 8; ++b)
        ASSERT_FALSE(SameBlock(expected, b, expected, BLOCKS + b)) << "block " << b;

    // Seven whole blocks and part of the eighth (block 7) heard.
    Play(7 * BLOCK_BYTES + 1000);
    EXPECT_EQ(write_block, 7);
    std::vector<uint8_t> ring = RingSnapshot();
    for (int b = 0; b < 7; ++b)
        EXPECT_TRUE(SameBlock(ring, b, expected, BLOCKS + b)) << "block " << b << " not refilled";
    for (int b = 7; b < BLOCKS; ++b)
        EXPECT_TRUE(SameBlock(ring, b, expected, b)) << "block " << b << " touched";

    // The rest of block 7 heard: now it is refilled, block 8 still holds the first pass.
    Play(BLOCK_BYTES - 1000);
    EXPECT_EQ(write_block, 8);
    ring = RingSnapshot();
    EXPECT_TRUE(SameBlock(ring, 7, expected, BLOCKS + 7));
    EXPECT_TRUE(SameBlock(ring, 8, expected, 8));
}

TEST_F(AudioOutput, DeviceLoopsOverTheRingAndThePlayedStreamHasNoGap)
{
    // Three passes of the ring in uneven steps (never more than a ring ahead of the thread):
    // what the device plays must be the song rendered offline, block after block.
    const int passes = 3;
    const std::vector<uint8_t> expected = RenderOffline(song, passes * BLOCKS);
    ASSERT_TRUE(PlaySong(song));
    const int steps[] = {4096, 3 * BLOCK_BYTES, 17, 40 * BLOCK_BYTES + 6, 2 * BLOCK_BYTES - 3};
    std::vector<uint8_t> heard;
    for (int i = 0; heard.size() < expected.size(); ++i) {
        const int step = std::min<int>(steps[i % 5], int(expected.size() - heard.size()));
        const std::vector<uint8_t> piece = Play(step);
        heard.insert(heard.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(heard.size(), expected.size());
    for (int b = 0; b < passes * BLOCKS; ++b)
        ASSERT_TRUE(SameBlock(heard, b, expected, b)) << "block " << b << " of the stream";
    EXPECT_EQ(HeadlessAudioBytesPulled(), uint64_t(passes) * RING_BYTES);
}

TEST_F(AudioOutput, DevicePositionWrappingAt4GiBIsFollowedWithoutAJump)
{
    // The device's 32-bit byte count wraps after 2^32 bytes, 6 h 45 min of play. Whole passes
    // of the ring are skipped to just before the wrap (and later the second one), then the
    // clock moves on block by block across it: what the device plays must go on being the
    // song rendered offline, block after block, and the playing block is never refilled.
    constexpr int PASSES_PER_SKIP = 6073;  // 6073 x 353600 bytes: less than 2^31 per skip
    constexpr int STEPS = 140;             // blocks played after each approach of a wrap
    const std::vector<uint8_t> expected = RenderOffline(song, 3 * STEPS);
    ASSERT_TRUE(PlaySong(song));
    std::vector<uint8_t> heard;
    uint64_t device_bytes = 0;
    for (int wrap = 1; wrap <= 2; ++wrap) {
        // Whole passes up to less than a pass before 40 blocks ahead of the wrap.
        const uint64_t target = (uint64_t(wrap) << 32) - 40 * BLOCK_BYTES;
        while (device_bytes + RING_BYTES <= target) {
            const int passes =
                int(std::min<uint64_t>(PASSES_PER_SKIP, (target - device_bytes) / RING_BYTES));
            HeadlessSkipAudio(passes * RING_BYTES);
            device_bytes += uint64_t(passes) * RING_BYTES;
            WaitForMixingPass();
        }
        for (int step = 0; step < STEPS; ++step) {
            const std::vector<uint8_t> piece = Play(BLOCK_BYTES);
            heard.insert(heard.end(), piece.begin(), piece.end());
            device_bytes += BLOCK_BYTES;
            // Exactly the block just left was refilled: the thread writes behind the device.
            ASSERT_EQ(write_block, int((device_bytes / BLOCK_BYTES) % BLOCKS)) << "wrap " << wrap;
        }
        ASSERT_GT(device_bytes, uint64_t(wrap) << 32);
    }
    const int blocks = int(heard.size() / BLOCK_BYTES);
    ASSERT_EQ(blocks, 2 * STEPS);
    for (int b = 0; b < blocks; ++b)
        ASSERT_TRUE(SameBlock(heard, b, expected, b)) << "block " << b << " of the stream";
}

TEST_F(AudioOutput, PlayingTwiceRestartsFromTheFirstRow)
{
    const std::vector<uint8_t> expected = RenderOffline(song, BLOCKS);
    ASSERT_TRUE(PlaySong(song));
    Play(30 * BLOCK_BYTES);

    ASSERT_TRUE(PlaySong(song));
    EXPECT_TRUE(HeadlessAudioOpen());
    WaitForMixingPass();
    EXPECT_EQ(write_block, 0);
    EXPECT_TRUE(RingSnapshot() == expected);
    // The reopened device starts at the start of the ring.
    EXPECT_TRUE(Play(RING_BYTES) == expected);
}

TEST_F(AudioOutput, StopReleasesEverythingAndClosesTheDevice)
{
    ASSERT_TRUE(PlaySong(song));
    Play(5 * BLOCK_BYTES);
    EXPECT_TRUE(StopSong(song));
    EXPECT_FALSE(HeadlessAudioOpen());
    EXPECT_EQ(pcm_ring, nullptr);
    EXPECT_EQ(mix_buffer, nullptr);
    EXPECT_EQ(sync_ring, nullptr);
    EXPECT_EQ(current_song, nullptr);
    EXPECT_EQ(write_block, 0);
    EXPECT_TRUE(thread_finished);
    EXPECT_FALSE(block_busy);
    // The stop waited for the thread in 10 ms sleeps at most; nothing more is mixed.
    const int passes = HeadlessSleepCount(5);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(HeadlessSleepCount(5), passes);
    // Stopping again is harmless.
    EXPECT_TRUE(StopSong(song));
}

TEST_F(AudioOutput, StopWithoutPlayIsHarmlessAndNoSongIsRefused)
{
    EXPECT_TRUE(StopSong(song));
    EXPECT_TRUE(StopSong(song));
    EXPECT_FALSE(HeadlessAudioOpen());
    EXPECT_EQ(pcm_ring, nullptr);
    EXPECT_TRUE(thread_finished);

    EXPECT_FALSE(StopSong(nullptr));
    EXPECT_FALSE(PlaySong(nullptr));
    EXPECT_FALSE(HeadlessAudioOpen());
}

TEST_F(AudioOutput, IncompleteSourceCallbacksRefuseToPlay)
{
    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            nullptr);
    EXPECT_FALSE(PlaySong(song));
    EXPECT_FALSE(HeadlessAudioOpen());
    EXPECT_EQ(pcm_ring, nullptr);
    EXPECT_EQ(current_song, nullptr);
    EXPECT_TRUE(StopSong(song));
}

TEST_F(AudioOutput, RefusedDeviceLeavesSilenceAndStopStillReleases)
{
    HeadlessSetAudioAvailable(false);
    EXPECT_FALSE(PlaySong(song));
    EXPECT_FALSE(HeadlessAudioOpen());
    // The song was set up for playing; no ring was made and no thread started.
    EXPECT_EQ(current_song, song);
    EXPECT_NE(sync_ring, nullptr);
    EXPECT_EQ(pcm_ring, nullptr);
    EXPECT_EQ(mix_buffer, nullptr);
    EXPECT_TRUE(thread_finished);
    EXPECT_EQ(HeadlessSleepCount(5), 0);

    EXPECT_TRUE(StopSong(song));
    EXPECT_EQ(sync_ring, nullptr);
    EXPECT_EQ(current_song, nullptr);

    // Once a device is there again, playing works.
    HeadlessSetAudioAvailable(true);
    EXPECT_TRUE(PlaySong(song));
    EXPECT_TRUE(HeadlessAudioOpen());
}

// A song of no channels whose tick handler can be held up, to catch the thread inside a
// block fill.
std::atomic<bool> gate_armed{false};
std::atomic<bool> gate_entered{false};
std::atomic<bool> gate_left{false};
std::atomic<int> ticks_on_caller{0};
std::atomic<int> ticks_elsewhere{0};
std::thread::id caller_thread;

void GatedTick(Song*)
{
    if (std::this_thread::get_id() == caller_thread)
        ticks_on_caller++;
    else
        ticks_elsewhere++;
    if (!gate_armed) return;
    gate_armed = false;
    gate_entered = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    gate_left = true;
}

Song GatedSong()
{
    Song song = {};
    song.channel_count = 0;
    song.song_length = 1;
    song.pattern_count = 0;
    song.default_speed = 6;
    song.default_bpm = 125;
    song.default_global_volume = DEFAULT_GLOBAL_VOLUME;
    song.tick_handler = GatedTick;
    return song;
}

TEST_F(AudioOutput, PreFillRunsOnTheCallerAndRefillsOnTheMixingThread)
{
    Song gated = GatedSong();
    caller_thread = std::this_thread::get_id();
    ticks_on_caller = 0;
    ticks_elsewhere = 0;
    ASSERT_TRUE(PlaySong(&gated));
    // 125 BPM: 882 frames a tick, so 88400 frames hold ticks at 0, 882, ... 87318: 100 + 1.
    EXPECT_EQ(ticks_on_caller, 101);
    EXPECT_EQ(ticks_elsewhere, 0);
    Play(BLOCK_BYTES);
    EXPECT_EQ(write_block, 1);
    EXPECT_GE(ticks_elsewhere, 1);
    EXPECT_EQ(ticks_on_caller, 101);
    EXPECT_TRUE(StopSong(&gated));
}

TEST_F(AudioOutput, StopInsideABlockWaitsForTheBlockAndTheThread)
{
    Song gated = GatedSong();
    caller_thread = std::this_thread::get_id();
    gate_entered = false;
    gate_left = false;
    ASSERT_TRUE(PlaySong(&gated));
    gate_armed = true;
    HeadlessAdvanceAudio(BLOCK_BYTES);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!gate_entered) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "no block fill started";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int passes = HeadlessSleepCount(5);

    EXPECT_TRUE(StopSong(&gated));
    // The held-up fill completed and the thread went on to the end of its pass and left.
    EXPECT_TRUE(gate_left);
    EXPECT_FALSE(block_busy);
    EXPECT_TRUE(thread_finished);
    EXPECT_GT(HeadlessSleepCount(5), passes);
    EXPECT_EQ(pcm_ring, nullptr);
    EXPECT_FALSE(HeadlessAudioOpen());
}

}  // namespace
