// The loader on files that lie: truncated, with counts and lengths the bytes cannot back,
// with header sizes that point backwards. Each must load consistently or be refused, never
// touch memory outside an allocation (AddressSanitizer) and never leak (LeakSanitizer).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/exercise_song.h"
#include "player/player.h"
#include "player/song.h"
#include "tests/player/song_checks.h"
#include "tests/player/xm_builder.h"

namespace {

void LoadAndCheck(const std::vector<uint8_t>& bytes)
{
    Song* song = xm::LoadBytes(bytes);
    if (!song) return;
    ExpectSongConsistent(song);
    FreeSong(song);
}

xm::ModuleRecipe SmallValidModule()
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 3;
    recipe.song_length = 3;
    recipe.orders = {0, 1, 0};
    xm::PatternRecipe a;
    a.rows = 4;
    a.packed = {0x83, 49, 1, 0x80, 0x80, 50, 2, 0x10, 0x0C, 0x20, 0x80, 0x81, 97};
    a.packed.resize(a.packed.size() + 9, 0x80);
    xm::PatternRecipe b;
    b.rows = 2;
    b.packed.assign(6, 0x80);
    recipe.patterns = {a, b};
    xm::SampleRecipe looped = xm::Ramp8(40);
    looped.type = 0x02;
    looped.loop_start = 10;
    looped.loop_length = 20;
    xm::SampleRecipe wide;
    wide.type = 0x11;
    wide.length = 30;
    wide.loop_start = 4;
    wide.loop_length = 10;
    wide.data.assign(30, 1);
    xm::InstrumentRecipe ins;
    ins.samples = {looped, wide};
    ins.fields[0] = 2;
    xm::InstrumentRecipe small;
    small.samples = {xm::Ramp8(5)};
    recipe.instruments = {ins, xm::InstrumentRecipe{}, small};
    return recipe;
}

TEST(LoaderMalformed, EveryTruncationLoadsConsistentlyOrIsRefused)
{
    std::vector<uint8_t> bytes = xm::Build(SmallValidModule());
    int loaded = 0;
    for (size_t size = 0; size <= bytes.size(); size++) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + ptrdiff_t(size));
        Song* song = xm::LoadBytes(cut);
        if (!song) continue;
        loaded++;
        ExpectSongConsistent(song);
        FreeSong(song);
    }
    // Everything from the ID on loads: missing bytes read as zero.
    EXPECT_EQ(loaded, int(bytes.size()) - 17 + 1);
}

TEST(LoaderMalformed, TruncatedSampleDataIsShortenedToTheBytesPresent)
{
    xm::ModuleRecipe recipe;
    xm::SampleRecipe s = xm::Ramp8(100);
    s.type = 0x01;
    s.loop_start = 80;
    s.loop_length = 20;
    recipe.instruments = {xm::InstrumentRecipe{}};
    recipe.instruments[0].samples = {s};
    std::vector<uint8_t> bytes = xm::Build(recipe);
    bytes.resize(bytes.size() - 30);  // 70 of the 100 frames remain
    Song* song = xm::LoadBytes(bytes);
    ASSERT_NE(song, nullptr);
    const Sample* sample = song->instruments[0].samples[0];
    EXPECT_EQ(sample->length, 70u);
    EXPECT_EQ(sample->loop_type, LOOP_NONE);  // the loop started beyond the data
    EXPECT_EQ(sample->data[69], xm::Ramp8Frame(69));
    FreeSong(song);
}

TEST(LoaderMalformed, AbsurdLengthsAllocateNoMoreThanTheFileHolds)
{
    xm::ModuleRecipe recipe;
    xm::SampleRecipe s;
    s.length = 0xFFFFFFFFu;  // 4 GB claimed, 16-bit, in a file of under 1 kB
    s.type = 0x11;
    s.loop_start = 2;
    s.loop_length = 0xFFFFFFF0u;
    s.data = {1, 0, 2, 0, 3, 0};
    xm::SampleRecipe after;
    after.length = 0x7FFFFFFF;
    recipe.instruments = {xm::InstrumentRecipe{}};
    recipe.instruments[0].samples = {s, after};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    ExpectSongConsistent(song);
    const Sample* a = song->instruments[0].samples[0];
    EXPECT_EQ(a->length, 3u);
    EXPECT_EQ(a->data[2], 6);  // deltas 1, 2, 3
    EXPECT_EQ(a->loop_type, LOOP_FORWARD);
    EXPECT_EQ(a->loop_start, 1u);
    EXPECT_EQ(a->loop_length, 2u);
    EXPECT_EQ(song->instruments[0].samples[1]->length, 0u);
    FreeSong(song);
}

TEST(LoaderMalformed, PatternRowsAreBoundedByTheBytesThatRemain)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 32;
    recipe.patterns.resize(256);
    for (auto& p : recipe.patterns) {
        p.rows = 1024;
        p.packed_size_override = 0xFFFF;  // claims data, holds none
    }
    recipe.patterns[0].packed = {0x81, 12};
    std::vector<uint8_t> bytes = xm::Build(recipe);
    Song* song = xm::LoadBytes(bytes);
    ASSERT_NE(song, nullptr);
    ExpectSongConsistent(song);
    EXPECT_EQ(song->patterns[0].cells[0].note, 12);
    // The first pattern claims 32768 cells but the rest of the file holds a few thousand
    // bytes: its rows are cut to what they can back.
    EXPECT_LT(song->patterns[0].rows, 1024);
    EXPECT_GE(song->patterns[0].rows, 1);
    // The cells ate the later pattern headers; those patterns read as 0 rows at the end.
    EXPECT_EQ(song->patterns[255].rows, 0);
    FreeSong(song);
}

TEST(LoaderMalformed, HeaderSizesPointingBackDoNotLoopForever)
{
    xm::ModuleRecipe recipe;
    recipe.instruments.resize(128);
    std::vector<uint8_t> bytes = xm::Build(recipe);
    const size_t first_instrument = 60 + 276;
    memset(&bytes[first_instrument], 0, 4);  // header size 0: every instrument rereads it
    Song* song = xm::LoadBytes(bytes);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->instrument_count, 128);
    ExpectSongConsistent(song);
    FreeSong(song);

    recipe = SmallValidModule();
    recipe.instruments[0].header_size = 4;  // the sample headers overlap the instrument header
    LoadAndCheck(xm::Build(recipe));
    recipe.instruments[1].header_size = 0xFFFFFFF0u;
    LoadAndCheck(xm::Build(recipe));
}

TEST(LoaderMalformed, ByteFlipsOfAValidModule)
{
    std::vector<uint8_t> bytes = xm::Build(SmallValidModule());
    uint32_t state = 12345;
    for (int round = 0; round < 300; round++) {
        std::vector<uint8_t> mutated = bytes;
        for (int k = 0; k < 4; k++) {
            state = state * 1664525u + 1013904223u;
            size_t at = 17 + (state >> 8) % (mutated.size() - 17);
            mutated[at] = uint8_t(state >> 24);
        }
        LoadAndCheck(mutated);
    }
}

// Inputs the fuzzer once found troublesome, each loaded and played exactly as the fuzz target
// does (under the sanitizers of this build).
TEST(LoaderMalformed, FuzzRegressions)
{
    namespace fs = std::filesystem;
    fs::path folder = fs::path(INTRO_SOURCE_DIR) / "fuzz" / "regressions";
    if (!fs::exists(folder)) GTEST_SKIP() << "no regression inputs";
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
        SCOPED_TRACE(entry.path().string());
        Song* song = xm::LoadBytes(bytes);
        if (song != nullptr) {
            ExpectSongConsistent(song);
            FreeSong(song);
        }
        ExerciseInput(bytes.data(), bytes.size());
    }
}

}  // namespace
