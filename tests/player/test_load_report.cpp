// The loader's report of what a damaged module lost: every cut point of a small module is
// reported, the report changes nothing of what is loaded, and a refusal says why.
#include <gtest/gtest.h>

#include <cstring>

#include "player/load_report.h"
#include "player/player.h"
#include "tests/player/xm_builder.h"

namespace {

xm::ModuleRecipe TwoPatternsTwoSamples()
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 2;
    recipe.song_length = 2;
    recipe.orders = {0, 1};
    xm::PatternRecipe pattern;
    pattern.rows = 4;
    for (int cell = 0; cell < 8; ++cell) {
        pattern.packed.insert(pattern.packed.end(), {0x83, 49, 1});  // note, instrument
    }
    recipe.patterns = {pattern, pattern};
    xm::InstrumentRecipe instrument;
    instrument.samples = {xm::Ramp8(40), xm::Ramp8(60)};
    instrument.samples[1].type = 1;  // forward loop over frames 10..49
    instrument.samples[1].loop_start = 10;
    instrument.samples[1].loop_length = 40;
    recipe.instruments = {instrument};
    return recipe;
}

Song* Load(const std::vector<uint8_t>& bytes, LoadReport* report)
{
    RegisterBufferSource();
    MemoryBuffer buffer{bytes.data(), static_cast<int32_t>(bytes.size())};
    return LoadSongReporting(&buffer, nullptr, report);
}

// The parts of a song the loader builds.
bool SameSong(const Song* a, const Song* b)
{
    if (a->pattern_count != b->pattern_count || a->instrument_count != b->instrument_count ||
        a->song_length != b->song_length || a->channel_count != b->channel_count) {
        return false;
    }
    size_t cells = static_cast<size_t>(a->channel_count > 0 ? a->channel_count : 1);
    for (int32_t p = 0; p < a->pattern_count; ++p) {
        const Pattern& pa = a->patterns[p];
        const Pattern& pb = b->patterns[p];
        size_t rows = static_cast<size_t>(pa.rows > 0 ? pa.rows : 1);
        if (pa.rows != pb.rows ||
            std::memcmp(pa.cells, pb.cells, rows * cells * sizeof(NoteCell)) != 0) {
            return false;
        }
    }
    for (int32_t i = 0; i < a->instrument_count; ++i) {
        const Instrument& ia = a->instruments[i];
        const Instrument& ib = b->instruments[i];
        if (ia.sample_count != ib.sample_count) return false;
        for (int32_t j = 0; j < ia.sample_count; ++j) {
            const Sample& sa = *ia.samples[j];
            const Sample& sb = *ib.samples[j];
            if (sa.length != sb.length || sa.loop_start != sb.loop_start ||
                sa.loop_length != sb.loop_length || sa.loop_type != sb.loop_type) {
                return false;
            }
            if (sa.length > 0 && std::memcmp(sa.data, sb.data, sa.length * 2) != 0) return false;
        }
    }
    return true;
}

TEST(LoadReport, EveryCutPointIsReportedAndLoadsTheSame)
{
    const std::vector<uint8_t> whole = xm::Build(TwoPatternsTwoSamples());
    LoadReport report;
    Song* song = Load(whole, &report);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(report.count, 0) << "a well-formed module has nothing to report";
    FreeSong(song);

    for (size_t size = 17; size < whole.size(); ++size) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        Song* plain = xm::LoadBytes(cut);
        Song* reported = Load(cut, &report);
        ASSERT_NE(plain, nullptr) << size;
        ASSERT_NE(reported, nullptr) << size;
        EXPECT_TRUE(SameSong(plain, reported)) << "the report changed the song at " << size;
        EXPECT_GT(report.count, 0) << "a module cut to " << size << " bytes loaded silently";
        EXPECT_FALSE(report.refused);
        FreeSong(plain);
        FreeSong(reported);
    }
}

TEST(LoadReport, NamesWhatWasCut)
{
    const std::vector<uint8_t> whole = xm::Build(TwoPatternsTwoSamples());
    LoadReport report;

    // The last 25 bytes of the second sample's data.
    std::vector<uint8_t> cut(whole.begin(), whole.end() - 25);
    Song* song = Load(cut, &report);
    ASSERT_NE(song, nullptr);
    ASSERT_EQ(report.count, 1);
    EXPECT_EQ(report.warnings[0].kind, LOAD_SAMPLE_DATA_CUT);
    EXPECT_EQ(report.warnings[0].subject, 1);  // instrument 1
    EXPECT_EQ(report.warnings[0].detail, 2);   // sample 2
    EXPECT_EQ(report.warnings[0].amount, 25);
    FreeSong(song);

    // Bytes after the last sample.
    std::vector<uint8_t> padded = whole;
    padded.insert(padded.end(), 118, 0x55);
    song = Load(padded, &report);
    ASSERT_NE(song, nullptr);
    ASSERT_EQ(report.count, 1);
    EXPECT_EQ(report.warnings[0].kind, LOAD_TRAILING_BYTES);
    EXPECT_EQ(report.warnings[0].amount, 118);
    FreeSong(song);

    // An instrument announcing 17 samples is refused, and the report says why.
    xm::ModuleRecipe recipe = TwoPatternsTwoSamples();
    recipe.instruments[0].sample_count_override = 17;
    song = Load(xm::Build(recipe), &report);
    EXPECT_EQ(song, nullptr);
    ASSERT_GT(report.count, 0);
    EXPECT_TRUE(report.refused);
    EXPECT_EQ(report.warnings[report.count - 1].kind, LOAD_REFUSED_SAMPLES);
    EXPECT_EQ(report.warnings[report.count - 1].amount, 17);
}

}  // namespace
