// Whole playback through the block fill: a module crafted with every out-of-format value the
// sequencer has to read safely, and every module of the corpus, played for a while under the
// sanitizers with self-checks on the output.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "player/playback.h"
#include "player/player.h"
#include "tests/corpus_dir.h"
#include "xm_builder.h"

namespace fs = std::filesystem;

namespace {

struct PlayStats {
    int64_t frames = 0;
    double sum_squares = 0.0;
    int64_t clipped = 0;
    bool finite = true;
    int32_t highest_order = 0;
};

// Plays `blocks` blocks from play start and gathers loudness and sanity figures.
PlayStats Play(Song* song, int blocks)
{
    PlayStats stats;
    ResetPlayback(song);
    AllocateRingBuffers();
    for (int b = 0; b < blocks; ++b) {
        int32_t block = write_block;
        FillBlock();
        const float* mix = mix_buffer + static_cast<size_t>(block) * block_frames * 2;
        const int16_t* pcm = pcm_ring + static_cast<size_t>(block) * block_frames * 2;
        for (int32_t i = 0; i < block_frames * 2; ++i) {
            if (!std::isfinite(mix[i])) stats.finite = false;
            double v = pcm[i];
            stats.sum_squares += v * v;
            if (pcm[i] == 32767 || pcm[i] == -32768) ++stats.clipped;
        }
        stats.frames += block_frames;
        if (song->order > stats.highest_order) stats.highest_order = song->order;
    }
    ReleasePlaybackBuffers();
    return stats;
}

double Rms(const PlayStats& s)
{
    return std::sqrt(s.sum_squares / (2.0 * static_cast<double>(s.frames)));
}

std::vector<uint8_t> Cell(uint8_t note, uint8_t instrument, uint8_t volume, uint8_t effect,
                          uint8_t parameter)
{
    return {0x9F, note, instrument, volume, effect, parameter};
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& cell)
{
    to.insert(to.end(), cell.begin(), cell.end());
}

}  // namespace

TEST(BlockFillSafety, CraftedOutOfFormatModulePlaysSafely)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 2;
    recipe.song_length = 3;
    recipe.restart_position = 9;  // beyond the song
    recipe.speed = 0;
    recipe.bpm = 0;  // plays as 125
    recipe.orders = {0, 1, 1};

    xm::PatternRecipe first;
    first.rows = 4;
    Append(first.packed, Cell(49, 1, 0, 0xF, 0x00));
    Append(first.packed, Cell(150, 1, 0, 0, 0));         // not a note
    Append(first.packed, Cell(200, 0, 0x50, 21, 0xFF));  // L beyond the last point
    Append(first.packed, Cell(49, 1, 0, 9, 0xFF));       // offset beyond the loop end
    Append(first.packed, Cell(97, 0, 0, 0xE, 0x6F));     // key-off, pattern loop
    Append(first.packed, Cell(49, 1, 0, 27, 0xF1));      // retrigger × 2
    Append(first.packed, Cell(0, 0, 0, 0xD, 0x99));      // break to row 99
    Append(first.packed, Cell(0, 0, 0, 0xB, 0xFF));      // jump past the list
    xm::PatternRecipe second;
    second.rows = 8;
    Append(second.packed, Cell(49, 1, 0, 0xD, 0x40));  // row 40 of an 8-row pattern
    Append(second.packed, Cell(60, 1, 0xF0, 29, 0x11));
    for (int i = 2; i < 16; ++i) second.packed.push_back(0x80);
    recipe.patterns = {first, second};

    xm::InstrumentRecipe instrument;
    xm::SampleRecipe sample = xm::Ramp8(1000);
    sample.type = 1;
    sample.loop_start = 900;
    sample.loop_length = 500;  // past the sample's end
    instrument.samples = {sample};
    for (int p = 0; p < 12; ++p) {
        instrument.volume_envelope[2 * p] = static_cast<uint16_t>(p * 3);
        instrument.volume_envelope[2 * p + 1] = static_cast<uint16_t>(64 - p * 5);
        instrument.panning_envelope[2 * p] = static_cast<uint16_t>(p * 2);
        instrument.panning_envelope[2 * p + 1] = 65535;  // far outside 0..64
    }
    uint8_t fields[14] = {200, 13, 100, 50, 60, 250, 12, 3, 7, 7, 9, 0, 15, 40};
    std::copy(std::begin(fields), std::end(fields), instrument.fields);
    instrument.fadeout = 0x0100;
    recipe.instruments = {instrument};

    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    PlayStats stats = Play(song, 400);
    EXPECT_TRUE(stats.finite);
    EXPECT_EQ(song->bpm, 125);
    EXPECT_LT(song->order, song->song_length);
    FreeSong(song);
}

TEST(BlockFillSafety, CorpusModulesPlayAudiblyAndSanely)
{
    fs::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    int played = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.path().extension() != ".xm") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
        Song* song = xm::LoadBytes(bytes);
        if (song == nullptr) continue;  // the loader's tests decide what it refuses
        bool is_song = entry.path().parent_path().filename() == "songs";
        // Songs: 30 s; the effect modules are short: 15 s.
        PlayStats stats = Play(song, is_song ? 1500 : 750);
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_TRUE(stats.finite);
        if (is_song) {
            EXPECT_GT(Rms(stats), 300.0);
            EXPECT_LT(static_cast<double>(stats.clipped) / (2.0 * stats.frames), 0.001);
            EXPECT_GT(stats.highest_order, 0);  // the order list moves on
        }
        FreeSong(song);
        ++played;
    }
    EXPECT_GE(played, 20);
}
