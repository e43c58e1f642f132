// The embedded module through the player: loaded from the memory source as the intro loads
// it, then rendered once for the whole song (about two and a half minutes of audio) to check
// levels, clipping and that no section falls silent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/assets.h"
#include "player/placeholders.h"
#include "player/playback.h"
#include "player/song.h"
#include "player/song_lifetime.h"
#include "player/source.h"

namespace {

constexpr int ORDERS = 20;
constexpr int FRAMES_PER_ORDER = 64 * 6 * 882;  // rows x ticks x frames per tick at 125 BPM

// Where the loader's stream stood when it closed the source.
int32_t position_at_close = -1;

void CloseAndRecordPosition(void* source)
{
    position_at_close = TellMemorySource(source);
    CloseMemorySource(source);
}

Song* LoadEmbeddedModule()
{
    RegisterSourceCallbacks(OpenMemorySource, CloseAndRecordPosition, ReadMemorySource,
                            SeekMemorySource, TellMemorySource);
    return LoadSong(embedded_module, nullptr);
}

// Peak, RMS and clipped samples per order of one rendering of the whole song.
struct SongLevels {
    double peak[ORDERS] = {};
    double rms[ORDERS] = {};
    double whole_rms = 0.0;
    int clipped = 0;
    int final_order = -1;
    bool rendered = false;
};

SongLevels RenderWholeSong()
{
    SongLevels levels;
    Song* song = LoadEmbeddedModule();
    if (song == nullptr) return levels;
    ResetPlayback(song);
    AllocateRingBuffers();
    std::vector<double> sum_of_squares(ORDERS, 0.0);
    double whole_sum = 0.0;
    const int64_t total_frames = static_cast<int64_t>(ORDERS) * FRAMES_PER_ORDER;
    int64_t frame = 0;
    while (frame < total_frames) {
        const int16_t* block = pcm_ring + static_cast<size_t>(write_block) * block_frames * 2;
        FillBlock();
        for (int i = 0; i < block_frames && frame < total_frames; ++i, ++frame) {
            const int order = static_cast<int>(frame / FRAMES_PER_ORDER);
            for (int side = 0; side < 2; ++side) {
                const double value = block[2 * i + side];
                if (std::abs(value) >= 32767) ++levels.clipped;
                levels.peak[order] = std::max(levels.peak[order], std::abs(value));
                sum_of_squares[order] += value * value;
                whole_sum += value * value;
            }
        }
    }
    for (int order = 0; order < ORDERS; ++order) {
        levels.rms[order] = std::sqrt(sum_of_squares[order] / (2.0 * FRAMES_PER_ORDER));
    }
    levels.whole_rms = std::sqrt(whole_sum / (2.0 * static_cast<double>(total_frames)));
    levels.final_order = song->order;
    levels.rendered = true;
    ReleasePlaybackBuffers();
    FreeSong(song);
    return levels;
}

// Rendered once for the whole test program.
const SongLevels& Levels()
{
    static const SongLevels levels = RenderWholeSong();
    return levels;
}

TEST(EmbeddedModuleLoad, LoadsWithTheExpectedShape)
{
    Song* song = LoadEmbeddedModule();
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->channel_count, 4);
    EXPECT_EQ(song->song_length, 20);
    EXPECT_EQ(song->restart_position, 0);
    EXPECT_EQ(song->pattern_count, 18);
    EXPECT_EQ(song->used_pattern_count, 18);
    EXPECT_EQ(song->instrument_count, 31);
    EXPECT_EQ(song->song_flags, 0);
    EXPECT_EQ(song->default_speed, 6);
    EXPECT_EQ(song->default_bpm, 125);
    for (int p = 0; p < song->pattern_count; ++p) {
        EXPECT_EQ(song->patterns[p].rows, 64) << "pattern " << p;
        EXPECT_NE(song->patterns[p].cells, nullptr) << "pattern " << p;
    }
    for (int i = 0; i < song->instrument_count; ++i) {
        const Instrument& instrument = song->instruments[i];
        EXPECT_EQ(instrument.sample_count, i < 6 ? 1 : 0) << "instrument " << i + 1;
        if (i < 6 && instrument.sample_count == 1) {
            const Sample* sample = instrument.samples[0];
            EXPECT_EQ(sample->bits, 16);
            EXPECT_NE(sample->data, nullptr);
            EXPECT_GT(sample->length, 0u);
            EXPECT_LE(sample->loop_start + sample->loop_length, sample->length);
        } else {
            EXPECT_EQ(instrument.samples[0], &silent_sample) << "instrument " << i + 1;
        }
    }
    FreeSong(song);
}

TEST(EmbeddedModuleLoad, LoaderReadsTheFileToItsLastByte)
{
    position_at_close = -1;
    Song* song = LoadEmbeddedModule();
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(position_at_close, EMBEDDED_MODULE_SIZE);
    FreeSong(song);
}

TEST(EmbeddedModulePlayback, ClipsAtMostAHandfulOfSamples)
{
    ASSERT_TRUE(Levels().rendered);
    EXPECT_LE(Levels().clipped, 8);
}

TEST(EmbeddedModulePlayback, EverySectionIsAudibleAndNoneIsCrushed)
{
    ASSERT_TRUE(Levels().rendered);
    for (int order = 0; order < ORDERS; ++order) {
        // About -50 dBFS at the quietest (the fading intro and ending) ...
        EXPECT_GT(Levels().rms[order], 100.0) << "order " << order;
        // ... and with headroom everywhere.
        EXPECT_LT(Levels().peak[order], 30000.0) << "order " << order;
    }
    EXPECT_GT(Levels().whole_rms, 1000.0);
    EXPECT_LT(Levels().whole_rms, 10000.0);
}

TEST(EmbeddedModulePlayback, MainSectionsAreLouderThanIntroAndEnding)
{
    ASSERT_TRUE(Levels().rendered);
    const double intro = Levels().rms[0];
    const double ending = Levels().rms[19];
    for (int order : {4, 5, 12, 13}) {
        EXPECT_GT(Levels().rms[order], 1.5 * intro) << "order " << order;
        EXPECT_GT(Levels().rms[order], 1.5 * ending) << "order " << order;
    }
}

TEST(EmbeddedModulePlayback, TheSongEndsWhereItStartsOver)
{
    ASSERT_TRUE(Levels().rendered);
    // After exactly 20 orders the position has returned to the restart position.
    EXPECT_EQ(Levels().final_order, 0);
}

}  // namespace
