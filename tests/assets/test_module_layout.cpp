// The embedded module read byte by byte, without the player's loader: its header, its
// packed patterns, its instruments and samples, and what the song asks of the player.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "assets/assets.h"

namespace {

uint32_t U16(size_t at) { return embedded_module[at] | (embedded_module[at + 1] << 8); }
uint32_t U32(size_t at) { return U16(at) | (U16(at + 2) << 16); }

struct Cell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, parameter = 0;
};

struct WalkedSample {
    uint32_t length = 0, loop_start = 0, loop_length = 0;
    uint8_t volume = 0, type = 0, panning = 0;
    int8_t relative_note = 0;
    std::vector<int> frames;  // delta-decoded, signed 8-bit values
};

struct WalkedInstrument {
    uint32_t header_size = 0;
    uint32_t sample_count = 0;
    uint8_t volume_points = 0, volume_type = 0, volume_sustain = 0, volume_loop_start = 0,
            volume_loop_end = 0;
    uint8_t vibrato_depth = 0, vibrato_rate = 0;
    uint16_t fadeout = 0;
    std::vector<WalkedSample> samples;
};

// Everything the walk found; `end` is the offset just past the last byte it read.
struct Walk {
    std::vector<std::vector<Cell>> patterns;  // 64 x 4 cells each
    std::vector<uint32_t> pattern_rows;
    std::vector<WalkedInstrument> instruments;
    size_t end = 0;
    bool packed_sizes_agree = true;
};

Walk WalkModule()
{
    Walk walk;
    const uint32_t channels = U16(68);
    size_t at = 60 + U32(60);
    for (uint32_t p = 0; p < U16(70); ++p) {
        const uint32_t rows = U16(at + 5);
        const uint32_t packed_size = U16(at + 7);
        at += U32(at);
        const size_t data_start = at;
        std::vector<Cell> cells(rows * channels);
        for (Cell& cell : cells) {
            const uint8_t first = embedded_module[at++];
            uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect,
                                  &cell.parameter};
            if (first & 0x80) {
                for (int bit = 0; bit < 5; ++bit) {
                    if (first & (1 << bit)) *fields[bit] = embedded_module[at++];
                }
            } else {
                cell.note = first;
                for (int field = 1; field < 5; ++field) *fields[field] = embedded_module[at++];
            }
        }
        if (at - data_start != packed_size) walk.packed_sizes_agree = false;
        walk.patterns.push_back(cells);
        walk.pattern_rows.push_back(rows);
    }
    for (uint32_t i = 0; i < U16(72); ++i) {
        WalkedInstrument instrument;
        const size_t start = at;
        instrument.header_size = U32(at);
        instrument.sample_count = U16(at + 27);
        if (instrument.sample_count > 0) {
            instrument.volume_points = embedded_module[at + 225];
            instrument.volume_sustain = embedded_module[at + 227];
            instrument.volume_loop_start = embedded_module[at + 228];
            instrument.volume_loop_end = embedded_module[at + 229];
            instrument.volume_type = embedded_module[at + 233];
            instrument.vibrato_depth = embedded_module[at + 237];
            instrument.vibrato_rate = embedded_module[at + 238];
            instrument.fadeout = static_cast<uint16_t>(U16(at + 239));
        }
        at = start + instrument.header_size;
        for (uint32_t s = 0; s < instrument.sample_count; ++s) {
            WalkedSample sample;
            sample.length = U32(at);
            sample.loop_start = U32(at + 4);
            sample.loop_length = U32(at + 8);
            sample.volume = embedded_module[at + 12];
            sample.type = embedded_module[at + 14];
            sample.panning = embedded_module[at + 15];
            sample.relative_note = static_cast<int8_t>(embedded_module[at + 16]);
            instrument.samples.push_back(sample);
            at += 40;
        }
        for (WalkedSample& sample : instrument.samples) {
            int8_t value = 0;
            for (uint32_t k = 0; k < sample.length; ++k) {
                value = static_cast<int8_t>(value + static_cast<int8_t>(embedded_module[at + k]));
                sample.frames.push_back(value);
            }
            at += sample.length;
        }
        walk.instruments.push_back(instrument);
    }
    walk.end = at;
    return walk;
}

const Walk& Walked()
{
    static const Walk walk = WalkModule();
    return walk;
}

TEST(EmbeddedModuleHeader, HasTheShapeTheIntroExpects)
{
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(embedded_module), 17), "Extended Module: ");
    EXPECT_EQ(embedded_module[37], 0x1A);
    EXPECT_EQ(U16(58), 0x0104u);
    EXPECT_EQ(U32(60), 276u);
    EXPECT_EQ(U16(64), 20u);   // song length
    EXPECT_EQ(U16(66), 0u);    // restart position
    EXPECT_EQ(U16(68), 4u);    // channels
    EXPECT_EQ(U16(70), 18u);   // patterns
    EXPECT_EQ(U16(72), 31u);   // instruments
    EXPECT_EQ(U16(74), 0u);    // flags: Amiga frequency table
    EXPECT_EQ(U16(76), 6u);    // speed
    EXPECT_EQ(U16(78), 125u);  // BPM
}

TEST(EmbeddedModuleHeader, OrdersUseEveryPatternAndNoOther)
{
    std::set<int> used;
    for (int i = 0; i < 20; ++i) {
        EXPECT_LT(embedded_module[80 + i], 18) << "order " << i;
        used.insert(embedded_module[80 + i]);
    }
    EXPECT_EQ(used.size(), 18u);
    for (int i = 20; i < 256; ++i) EXPECT_EQ(embedded_module[80 + i], 0) << "unused order " << i;
}

TEST(EmbeddedModuleLayout, IsConsumedExactlyToItsLastByte)
{
    const Walk& walk = Walked();
    EXPECT_TRUE(walk.packed_sizes_agree);
    EXPECT_EQ(walk.end, static_cast<size_t>(EMBEDDED_MODULE_SIZE));
}

TEST(EmbeddedModuleLayout, PatternCellsAreValid)
{
    const Walk& walk = Walked();
    ASSERT_EQ(walk.patterns.size(), 18u);
    for (size_t p = 0; p < walk.patterns.size(); ++p) {
        EXPECT_EQ(walk.pattern_rows[p], 64u);
        for (const Cell& cell : walk.patterns[p]) {
            EXPECT_TRUE(cell.note <= 96 || cell.note == 97) << "pattern " << p;
            EXPECT_LE(cell.instrument, 6) << "pattern " << p;
            // The song never changes its pace or position: it lasts exactly
            // 20 orders x 64 rows x 6 ticks.
            EXPECT_NE(cell.effect, 0xB) << "pattern " << p;
            EXPECT_NE(cell.effect, 0xD) << "pattern " << p;
            EXPECT_NE(cell.effect, 0xF) << "pattern " << p;
            EXPECT_FALSE(cell.effect == 0xE && (cell.parameter >> 4) == 0xE) << "pattern " << p;
            EXPECT_FALSE(cell.effect == 0xE && (cell.parameter >> 4) == 0x6) << "pattern " << p;
        }
    }
}

TEST(EmbeddedModuleInstruments, SixHoldOneSampleTheOthersNone)
{
    const Walk& walk = Walked();
    ASSERT_EQ(walk.instruments.size(), 31u);
    for (size_t i = 0; i < walk.instruments.size(); ++i) {
        EXPECT_EQ(walk.instruments[i].sample_count, i < 6 ? 1u : 0u) << "instrument " << i + 1;
        for (const WalkedSample& sample : walk.instruments[i].samples) {
            EXPECT_EQ(sample.type & 0x10, 0) << "8-bit samples only";
            EXPECT_GT(sample.length, 1000u);
            if (sample.type & 3) {
                EXPECT_LE(sample.loop_start + sample.loop_length, sample.length);
            }
        }
    }
}

TEST(EmbeddedModuleInstruments, SamplesAreLoudButNotClippedAndEndQuietly)
{
    const Walk& walk = Walked();
    for (size_t i = 0; i < 6 && i < walk.instruments.size(); ++i) {
        const WalkedSample& sample = walk.instruments[i].samples.at(0);
        int peak = 0;
        for (int value : sample.frames) peak = std::max(peak, std::abs(value));
        EXPECT_GE(peak, 100) << "instrument " << i + 1;
        EXPECT_LE(peak, 127) << "instrument " << i + 1;
        if ((sample.type & 3) == 0) {
            EXPECT_LE(std::abs(sample.frames.back()), 2)
                << "instrument " << i + 1 << " ends with a click";
        }
    }
}

// A forward loop over whole cycles is seamless: the loop repeats the cycle before it, so
// the jump from the loop end back to its start continues the waveform.
TEST(EmbeddedModuleInstruments, ForwardLoopsAreSeamless)
{
    const Walk& walk = Walked();
    int forward_loops = 0;
    for (size_t i = 0; i < 6 && i < walk.instruments.size(); ++i) {
        const WalkedSample& sample = walk.instruments[i].samples.at(0);
        if ((sample.type & 3) != 1) continue;
        ++forward_loops;
        ASSERT_GE(sample.loop_start, sample.loop_length);
        for (uint32_t k = 0; k < sample.loop_length; ++k) {
            EXPECT_EQ(sample.frames[sample.loop_start + k],
                      sample.frames[sample.loop_start - sample.loop_length + k])
                << "instrument " << i + 1 << " frame " << k;
        }
    }
    EXPECT_EQ(forward_loops, 3);  // bass, lead and chord voice
}

TEST(EmbeddedModuleInstruments, UseEnvelopesLoopsAndAutoVibrato)
{
    const Walk& walk = Walked();
    bool sustain = false, envelope_loop = false, auto_vibrato = false, fadeout = false;
    for (size_t i = 0; i < 6 && i < walk.instruments.size(); ++i) {
        const WalkedInstrument& instrument = walk.instruments[i];
        if ((instrument.volume_type & 3) == 3) {
            sustain = true;
            EXPECT_LT(instrument.volume_sustain, instrument.volume_points);
        }
        if ((instrument.volume_type & 5) == 5) {
            envelope_loop = true;
            EXPECT_LT(instrument.volume_loop_start, instrument.volume_loop_end);
            EXPECT_LT(instrument.volume_loop_end, instrument.volume_points);
        }
        if (instrument.vibrato_depth && instrument.vibrato_rate) auto_vibrato = true;
        if (instrument.fadeout) fadeout = true;
    }
    EXPECT_TRUE(sustain);
    EXPECT_TRUE(envelope_loop);
    EXPECT_TRUE(auto_vibrato);
    EXPECT_TRUE(fadeout);
}

TEST(EmbeddedModuleSong, UsesTheEffectsTheIntroShowsOff)
{
    std::set<std::string> found;
    for (const std::vector<Cell>& pattern : Walked().patterns) {
        for (const Cell& cell : pattern) {
            if (cell.note == 97) found.insert("key-off");
            if (cell.effect == 0 && cell.parameter) found.insert("arpeggio");
            if (cell.effect == 3) found.insert("tone portamento");
            if (cell.effect == 4) found.insert("vibrato");
            if (cell.effect == 0xA) found.insert("volume slide");
            if (cell.effect == 0xE && (cell.parameter >> 4) == 0x9) found.insert("retrigger");
            if (cell.effect == 27) found.insert("multi retrigger");
            if (cell.effect == 0xE && (cell.parameter >> 4) == 0xD) found.insert("note delay");
        }
    }
    for (const char* name : {"key-off", "arpeggio", "tone portamento", "vibrato", "volume slide",
                             "retrigger", "multi retrigger", "note delay"}) {
        EXPECT_EQ(found.count(name), 1u) << name;
    }
}

// The song is in A minor (with G sharp for the E major chord of the break): every note of the
// bass, lead and chord voice lies in that scale, and in a range each sample can play.
TEST(EmbeddedModuleSong, TonalNotesStayInTheKeyAndRange)
{
    const std::set<int> a_minor = {9, 11, 0, 2, 4, 5, 7, 8};  // A B C D E F G G#
    int tonal_notes = 0;
    for (size_t p = 0; p < Walked().patterns.size(); ++p) {
        for (const Cell& cell : Walked().patterns[p]) {
            if (cell.note == 0 || cell.note == 97) continue;
            if (cell.instrument >= 1 && cell.instrument <= 3) continue;  // drums
            ++tonal_notes;
            EXPECT_EQ(a_minor.count((cell.note - 1) % 12), 1u)
                << "pattern " << p << " note " << int(cell.note);
            // C-1 .. C-6: low enough for the bass, high enough for the lead, always inside
            // the period table once the relative note is added.
            EXPECT_GE(cell.note, 13) << "pattern " << p;
            EXPECT_LE(cell.note, 73) << "pattern " << p;
        }
    }
    EXPECT_GT(tonal_notes, 500);
}

TEST(EmbeddedModuleSong, ChannelsAreSpreadAcrossTheStereoField)
{
    int left = 0, right = 0;
    for (size_t i = 0; i < 6 && i < Walked().instruments.size(); ++i) {
        const int panning = Walked().instruments[i].samples.at(0).panning;
        if (panning > 140) ++left;
        if (panning < 116) ++right;
    }
    EXPECT_GE(left, 1);
    EXPECT_GE(right, 1);
}

// The generator takes nothing from outside (no clock, no random seed): a second run gives
// the same bytes.
TEST(EmbeddedModuleGenerator, IsDeterministic)
{
    const std::string out = std::string(INTRO_BINARY_DIR) + "/assets/test_module_again";
    const std::string command = std::string(INTRO_BINARY_DIR) + "/assets/gen_module " + out +
                                ".cpp " + out + ".xm 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    FILE* file = std::fopen((out + ".xm").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> again(EMBEDDED_MODULE_SIZE + 1);
    const size_t count = std::fread(again.data(), 1, again.size(), file);
    std::fclose(file);
    std::remove((out + ".xm").c_str());
    std::remove((out + ".cpp").c_str());
    ASSERT_EQ(count, static_cast<size_t>(EMBEDDED_MODULE_SIZE));
    EXPECT_EQ(0, std::memcmp(again.data(), embedded_module, EMBEDDED_MODULE_SIZE));
}

}  // namespace
