// The XM loader on small modules written by the tests: patterns, cells, sample decoding,
// loops and guard frames, instruments, and exact consumption of a well-formed file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "player/placeholders.h"
#include "player/player.h"
#include "player/sample_data.h"
#include "player/sequencer.h"
#include "player/song.h"
#include "player/source.h"
#include "player/xm_loader.h"
#include "tests/player/xm_builder.h"

namespace {

// One pattern of `rows` rows whose cells are all the unpacked empty cell.
xm::PatternRecipe EmptyUnpackedPattern(uint16_t rows, uint16_t channels)
{
    xm::PatternRecipe p;
    p.rows = rows;
    p.packed.assign(size_t(rows) * channels * 5, 0);
    return p;
}

xm::InstrumentRecipe OneSampleInstrument(const xm::SampleRecipe& sample)
{
    xm::InstrumentRecipe ins;
    ins.samples.push_back(sample);
    return ins;
}

const Sample& FirstSample(const Song* song, int instrument = 0)
{
    return *song->instruments[instrument].samples[0];
}

TEST(Loader, ReadsTheHeaderFields)
{
    xm::ModuleRecipe recipe;
    recipe.song_length = 3;
    recipe.restart_position = 1;
    recipe.channel_count = 2;
    recipe.flags = 0;
    recipe.speed = 5;
    recipe.bpm = 140;
    recipe.orders = {1, 0, 1};
    recipe.patterns = {EmptyUnpackedPattern(4, 2), EmptyUnpackedPattern(2, 2)};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->song_length, 3);
    EXPECT_EQ(song->restart_position, 1);
    EXPECT_EQ(song->channel_count, 2);
    EXPECT_EQ(song->song_flags, 0);
    EXPECT_EQ(song->default_speed, 5);
    EXPECT_EQ(song->default_bpm, 140);
    EXPECT_EQ(song->order_table[0], 1);
    EXPECT_EQ(song->default_global_volume, 64);
    EXPECT_EQ(song->tick_handler, &SequencerTick);
    EXPECT_EQ(song->pattern_count, 2);
    EXPECT_EQ(song->patterns[0].rows, 4);
    EXPECT_EQ(song->patterns[1].rows, 2);
    EXPECT_EQ(song->instrument_count, 0);
    EXPECT_TRUE(FreeSong(song));
}

TEST(Loader, RefusesAWrongIdAndAMissingSource)
{
    std::vector<uint8_t> bytes = xm::Build(xm::ModuleRecipe{});
    bytes[16] = '.';
    EXPECT_EQ(xm::LoadBytes(bytes), nullptr);
    RegisterBufferSource();
    EXPECT_EQ(LoadSong(nullptr, nullptr), nullptr);
    EXPECT_FALSE(FreeSong(nullptr));
}

TEST(Loader, OrderTableAddsEmptyPatternsTheFileLacks)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 3;
    recipe.song_length = 2;
    recipe.orders = {40, 2, 200};  // 200 lies beyond the song length and does not count
    recipe.patterns.resize(30);
    for (auto& p : recipe.patterns) p.rows = 8;
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->used_pattern_count, 41);
    EXPECT_EQ(song->pattern_count, 41);
    EXPECT_EQ(song->patterns[29].rows, 8);
    for (int p = 30; p <= 40; p++) {
        ASSERT_EQ(song->patterns[p].rows, 64);
        for (int c = 0; c < 64 * 3; c++) ASSERT_EQ(song->patterns[p].cells[c].note, 0);
    }
    FreeSong(song);
}

TEST(Loader, HeaderPatternCountWinsWhenLarger)
{
    xm::ModuleRecipe recipe;
    recipe.orders = {0};
    recipe.patterns.resize(5);
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->used_pattern_count, 1);
    EXPECT_EQ(song->pattern_count, 5);
    FreeSong(song);
}

TEST(Loader, DecodesPackedAndUnpackedCells)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 2;
    xm::PatternRecipe p;
    p.rows = 3;
    p.packed = {
        0x80,                         // row 0 ch 0: empty
        0x81, 97,                     // row 0 ch 1: key-off
        49,   200, 0x40, 0x0F, 0x06,  // row 1 ch 0: unpacked, instrument 200 -> 0
        0x9E, 3,   0x20, 0x0A, 0x12,  // row 1 ch 1: instrument, volume, effect, parameter
        0x82, 128,                    // row 2 ch 0: instrument 128 kept
        0x91, 96,  0xFF,              // row 2 ch 1: note and parameter
    };
    recipe.patterns = {p};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const NoteCell* c = song->patterns[0].cells;
    auto same = [](const NoteCell& cell, NoteCell want) {
        return memcmp(&cell, &want, sizeof(NoteCell)) == 0;
    };
    EXPECT_TRUE(same(c[0], {0, 0, 0, 0, 0}));
    EXPECT_TRUE(same(c[1], {NOTE_KEY_OFF, 0, 0, 0, 0}));
    EXPECT_TRUE(same(c[2], {49, 0, 0x40, 0x0F, 0x06}));
    EXPECT_TRUE(same(c[3], {0, 3, 0x20, 0x0A, 0x12}));
    EXPECT_TRUE(same(c[4], {0, 128, 0, 0, 0}));
    EXPECT_TRUE(same(c[5], {96, 0, 0, 0, 0xFF}));
    FreeSong(song);
}

TEST(Loader, PackedSizeZeroLeavesThePatternEmptyAndReadsNothing)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 4;
    xm::PatternRecipe empty;
    empty.rows = 64;
    xm::PatternRecipe next;
    next.rows = 1;
    next.packed = {0x81, 5, 0x80, 0x80, 0x80};
    recipe.patterns = {empty, next};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    ASSERT_EQ(song->patterns[0].rows, 64);
    for (int c = 0; c < 64 * 4; c++) ASSERT_EQ(song->patterns[0].cells[c].note, 0);
    EXPECT_EQ(song->patterns[1].cells[0].note, 5);
    FreeSong(song);
}

TEST(Loader, DecodesEightBitDeltasIntoTheHighByte)
{
    xm::SampleRecipe s;
    s.length = 3;
    s.data = {10, 5, uint8_t(-3)};
    xm::ModuleRecipe recipe;
    recipe.instruments = {OneSampleInstrument(s)};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const Sample& sample = FirstSample(song);
    ASSERT_EQ(sample.length, 3u);
    EXPECT_EQ(sample.data[0], 2560);
    EXPECT_EQ(sample.data[1], 3840);
    EXPECT_EQ(sample.data[2], 3072);
    EXPECT_EQ(sample.bits, 16);
    EXPECT_EQ(sample.loop_type, LOOP_NONE);
    EXPECT_EQ(sample.loop_start, 0u);
    EXPECT_EQ(sample.loop_length, 3u);
    // The slack after the data and the frame before it are zero.
    for (int k = 3; k < 3 + int(SAMPLE_SLACK_FRAMES); k++) EXPECT_EQ(sample.data[k], 0);
    EXPECT_EQ(sample.data[-1], 0);
    FreeSong(song);
}

TEST(Loader, SixteenBitLengthsAreHalvedAndDeltasWrap)
{
    std::vector<int16_t> frames(500);
    for (int k = 0; k < 500; k++) frames[k] = int16_t(k * 977 - 30000);
    frames[1] = 32767;
    frames[2] = -32768;  // the delta from 32767 wraps
    xm::SampleRecipe s;
    s.type = 0x10;
    s.length = 1000;
    s.data = xm::Deltas16(frames);
    xm::ModuleRecipe recipe;
    recipe.instruments = {OneSampleInstrument(s)};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const Sample& sample = FirstSample(song);
    ASSERT_EQ(sample.length, 500u);
    EXPECT_EQ(sample.loop_length, 500u);
    for (int k = 0; k < 500; k++) ASSERT_EQ(sample.data[k], frames[k]) << k;
    FreeSong(song);
}

TEST(Loader, OddSixteenBitLengthSkipsTheOddByte)
{
    xm::SampleRecipe odd;
    odd.type = 0x10;
    odd.length = 5;  // two frames and one byte the loader skips
    odd.data = xm::Deltas16({100, 200});
    odd.data.push_back(0xEE);
    xm::SampleRecipe next;
    next.length = 2;
    next.data = xm::Deltas8({1, 2});
    xm::InstrumentRecipe ins;
    ins.samples = {odd, next};
    xm::ModuleRecipe recipe;
    recipe.instruments = {ins};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const Instrument& instrument = song->instruments[0];
    EXPECT_EQ(instrument.samples[0]->length, 2u);
    EXPECT_EQ(instrument.samples[0]->data[1], 200);
    EXPECT_EQ(instrument.samples[1]->data[0], 256);
    EXPECT_EQ(instrument.samples[1]->data[1], 512);
    FreeSong(song);
}

TEST(Loader, ZeroLoopLengthBecomesNoLoopOverTheWholeSample)
{
    xm::SampleRecipe s = xm::Ramp8(200);
    s.type = 0x01;
    s.loop_start = 30;
    s.loop_length = 0;
    xm::ModuleRecipe recipe;
    recipe.instruments = {OneSampleInstrument(s)};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const Sample& sample = FirstSample(song);
    EXPECT_EQ(sample.loop_type, LOOP_NONE);
    EXPECT_EQ(sample.loop_start, 0u);
    EXPECT_EQ(sample.loop_length, 200u);
    EXPECT_EQ(sample.data[200], 0);  // no guard copy without a loop
    FreeSong(song);
}

TEST(Loader, GuardFramesRepeatTheLoopsEdge)
{
    xm::SampleRecipe forward = xm::Ramp8(200);
    forward.type = 0x01;
    forward.loop_start = 100;
    forward.loop_length = 50;
    xm::SampleRecipe ping_pong = forward;
    ping_pong.type = 0x03;  // both bits: ping-pong wins
    xm::SampleRecipe wide = forward;
    wide.type = 0x11;  // 16-bit: bytes become frames
    wide.length = 400;
    wide.loop_start = 200;
    wide.loop_length = 100;
    std::vector<int16_t> frames(200);
    for (int k = 0; k < 200; k++) frames[k] = int16_t(k * 100);
    wide.data = xm::Deltas16(frames);
    xm::InstrumentRecipe ins;
    ins.samples = {forward, ping_pong, wide};
    xm::ModuleRecipe recipe;
    recipe.instruments = {ins};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    Sample* const* samples = song->instruments[0].samples;
    EXPECT_EQ(samples[0]->loop_type, LOOP_FORWARD);
    EXPECT_EQ(samples[0]->data[150], xm::Ramp8Frame(100));
    EXPECT_EQ(samples[0]->data[151], xm::Ramp8Frame(151));  // the data itself is untouched
    EXPECT_EQ(samples[1]->loop_type, LOOP_PING_PONG);
    EXPECT_EQ(samples[1]->data[150], xm::Ramp8Frame(149));
    EXPECT_EQ(samples[2]->loop_start, 100u);
    EXPECT_EQ(samples[2]->loop_length, 50u);
    EXPECT_EQ(samples[2]->data[150], 10000);
    FreeSong(song);
}

TEST(Loader, LoopsReachingPastTheDataAreFitted)
{
    xm::SampleRecipe in_slack = xm::Ramp8(100);
    in_slack.type = 0x01;
    in_slack.loop_start = 90;
    in_slack.loop_length = 17;  // guard at 107 = length + 7: kept
    xm::SampleRecipe past = in_slack;
    past.loop_length = 18;  // guard at 108: cut to the data's end
    xm::SampleRecipe beyond = in_slack;
    beyond.type = 0x02;
    beyond.loop_start = 100;  // starts at the end: no loop
    beyond.loop_length = 0xFFFFFF00u;
    xm::SampleRecipe wrapping = in_slack;
    wrapping.loop_start = 0xFFFFFFF0u;  // start + length overflows 32 bits
    wrapping.loop_length = 0x20;
    xm::InstrumentRecipe ins;
    ins.samples = {in_slack, past, beyond, wrapping};
    xm::ModuleRecipe recipe;
    recipe.instruments = {ins};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    Sample* const* s = song->instruments[0].samples;
    EXPECT_EQ(s[0]->loop_length, 17u);
    EXPECT_EQ(s[0]->data[107], xm::Ramp8Frame(90));
    EXPECT_EQ(s[1]->loop_type, LOOP_FORWARD);
    EXPECT_EQ(s[1]->loop_length, 10u);
    EXPECT_EQ(s[1]->data[100], xm::Ramp8Frame(90));
    EXPECT_EQ(s[2]->loop_type, LOOP_NONE);
    EXPECT_EQ(s[2]->loop_start, 0u);
    EXPECT_EQ(s[2]->loop_length, 100u);
    EXPECT_EQ(s[3]->loop_type, LOOP_NONE);
    EXPECT_EQ(s[3]->loop_length, 100u);
    FreeSong(song);
}

TEST(Loader, InstrumentFieldsEnvelopesAndFadeout)
{
    xm::InstrumentRecipe ins = OneSampleInstrument(xm::Ramp8(4));
    ins.note_to_sample[0] = 0;
    ins.note_to_sample[95] = 3;
    ins.volume_envelope[0] = 0;
    ins.volume_envelope[1] = 64;
    ins.volume_envelope[22] = 300;  // point 11's position
    ins.volume_envelope[23] = 7;
    ins.panning_envelope[2] = 10;
    ins.panning_envelope[3] = 32;
    uint8_t fields[14] = {1, 2, 0, 0, 0, 1, 0, 1, 0x07, 0x07, 2, 3, 4, 5};
    memcpy(ins.fields, fields, 14);
    ins.fadeout = 0x9000;
    xm::InstrumentRecipe empty;
    xm::ModuleRecipe recipe;
    recipe.instruments = {ins, empty};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const Instrument& a = song->instruments[0];
    EXPECT_EQ(a.sample_count, 1);
    EXPECT_EQ(a.note_to_sample[95], 3);
    EXPECT_EQ(a.volume_envelope[0].value, 64);
    EXPECT_EQ(a.volume_envelope[11].position, 300);
    EXPECT_EQ(a.volume_envelope[11].value, 7);
    EXPECT_EQ(a.panning_envelope[0].value, 0);
    EXPECT_EQ(a.panning_envelope[1].position, 10);
    EXPECT_EQ(a.volume_point_count, 1);
    EXPECT_EQ(a.volume_envelope_flags, 0);  // one point: never applied
    EXPECT_EQ(a.panning_point_count, 2);
    EXPECT_EQ(a.panning_sustain_point, 1);
    EXPECT_EQ(a.panning_loop_end, 1);
    EXPECT_EQ(a.panning_envelope_flags, 0x07);
    EXPECT_EQ(a.vibrato_type, 2);
    EXPECT_EQ(a.vibrato_sweep, 3);
    EXPECT_EQ(a.vibrato_depth, 4);
    EXPECT_EQ(a.vibrato_rate, 5);
    EXPECT_EQ(a.fadeout, 0x2000);
    for (int j = 1; j < MAX_INSTRUMENT_SAMPLES; j++) EXPECT_EQ(a.samples[j], &silent_sample);

    const Instrument& b = song->instruments[1];
    EXPECT_EQ(b.sample_count, 0);
    for (Sample* slot : b.samples) EXPECT_EQ(slot, &silent_sample);
    EXPECT_EQ(b.fadeout, 0);
    EXPECT_EQ(b.vibrato_depth, 0);
    EXPECT_EQ(b.volume_envelope_flags, 0);
    FreeSong(song);
}

TEST(Loader, EnvelopePointCountsAreCutAndBadLoopsSwitchedOff)
{
    xm::InstrumentRecipe ins = OneSampleInstrument(xm::Ramp8(4));
    // 13 volume points with a loop from point 12; 3 panning points with a loop from point 3.
    uint8_t fields[14] = {13, 3, 0, 12, 12, 0, 3, 3, 0x05, 0x05, 0, 0, 0, 0};
    memcpy(ins.fields, fields, 14);
    xm::ModuleRecipe recipe;
    recipe.instruments = {ins};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    const Instrument& a = song->instruments[0];
    EXPECT_EQ(a.volume_point_count, 12);
    EXPECT_EQ(a.volume_envelope_flags, 0x01);
    EXPECT_EQ(a.panning_envelope_flags, 0x01);
    FreeSong(song);
}

TEST(Loader, SeventeenSamplesRefuseTheModuleAndFreeEverything)
{
    xm::ModuleRecipe recipe;
    recipe.patterns = {EmptyUnpackedPattern(4, 4)};
    recipe.instruments = {OneSampleInstrument(xm::Ramp8(100)), xm::InstrumentRecipe{}};
    recipe.instruments[1].sample_count_override = 17;
    // LeakSanitizer reports anything the refusal leaves behind at exit.
    EXPECT_EQ(xm::LoadBytes(xm::Build(recipe)), nullptr);
    recipe.instruments[1].sample_count_override = 16;
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->instruments[1].sample_count, 16);
    FreeSong(song);
}

TEST(Loader, CountsBeyondWhatThePlayerHoldsAreRefused)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 33;
    EXPECT_EQ(xm::LoadBytes(xm::Build(recipe)), nullptr);
    recipe.channel_count = 32;
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    FreeSong(song);

    recipe.pattern_count_override = 257;
    EXPECT_EQ(xm::LoadBytes(xm::Build(recipe)), nullptr);
    recipe.pattern_count_override = -1;
    recipe.instrument_count_override = 129;
    EXPECT_EQ(xm::LoadBytes(xm::Build(recipe)), nullptr);
    recipe.instrument_count_override = -1;
    recipe.patterns = {xm::PatternRecipe{}};
    recipe.patterns[0].rows = 1025;
    EXPECT_EQ(xm::LoadBytes(xm::Build(recipe)), nullptr);
}

TEST(Loader, ZeroChannelsAndZeroRowsStillHaveOneCell)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 0;
    recipe.patterns = {xm::PatternRecipe{}};
    recipe.patterns[0].packed = {1, 2, 3};
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->channel_count, 0);
    EXPECT_EQ(song->patterns[0].cells[0].note, 0);
    FreeSong(song);

    recipe.channel_count = 2;
    recipe.patterns[0].rows = 0;
    song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->patterns[0].rows, 0);
    EXPECT_EQ(song->patterns[0].cells[1].note, 0);
    FreeSong(song);
}

TEST(Loader, SongLengthIsBoundedByTheOrderTable)
{
    xm::ModuleRecipe recipe;
    recipe.song_length = 300;
    recipe.restart_position = 0xFFFF;
    recipe.orders.assign(256, 0);
    recipe.orders[255] = 9;
    Song* song = xm::LoadBytes(xm::Build(recipe));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->song_length, 256);
    EXPECT_EQ(song->restart_position, 256);
    EXPECT_EQ(song->used_pattern_count, 10);
    FreeSong(song);
}

TEST(Loader, WellFormedModuleIsConsumedToItsLastByte)
{
    xm::ModuleRecipe recipe;
    recipe.channel_count = 2;
    recipe.song_length = 2;
    recipe.orders = {0, 1};
    recipe.patterns = {EmptyUnpackedPattern(2, 2), xm::PatternRecipe{}};
    recipe.patterns[1].packed = std::vector<uint8_t>(64 * 2, 0x80);
    xm::SampleRecipe wide;
    wide.type = 0x12;
    wide.length = 20;
    wide.loop_start = 4;
    wide.loop_length = 8;
    wide.data = std::vector<uint8_t>(20, 3);
    xm::InstrumentRecipe two;
    two.samples = {xm::Ramp8(33), wide};
    recipe.instruments = {OneSampleInstrument(xm::Ramp8(7)), xm::InstrumentRecipe{}, two};
    std::vector<uint8_t> bytes = xm::Build(recipe);

    RegisterBufferSource();
    MemoryBuffer buffer{bytes.data(), int32_t(bytes.size())};
    SourceStream* stream = OpenStream(&buffer);
    ASSERT_NE(stream, nullptr);
    Song* song = static_cast<Song*>(calloc(1, sizeof(Song)));
    EXPECT_TRUE(ParseModule(song, stream));
    EXPECT_EQ(StreamTell(stream), int32_t(bytes.size()));
    CloseStream(stream);
    EXPECT_EQ(song->instruments[2].samples[1]->loop_type, LOOP_PING_PONG);
    FreeSong(song);
}

// A sample loader supplies decoded data: the loader neither reads nor delta-decodes it, but
// skips it in the stream.
std::vector<int> loader_calls;
void CountingSampleLoader(void* destination, int32_t byte_count, int32_t bits, int32_t ins,
                          int32_t smp)
{
    loader_calls.insert(loader_calls.end(), {byte_count, bits, ins, smp});
    uint8_t* bytes = static_cast<uint8_t*>(destination);
    for (int32_t k = 0; k < byte_count; k++) bytes[k] = uint8_t(k + 1);
}

TEST(Loader, SampleLoaderSuppliesDecodedData)
{
    xm::SampleRecipe s;
    s.length = 3;
    s.data = {9, 9, 9};
    xm::SampleRecipe next;
    next.type = 0x10;
    next.length = 4;
    next.data = {9, 9, 9, 9};
    xm::InstrumentRecipe ins;
    ins.samples = {s, next};
    xm::ModuleRecipe recipe;
    recipe.instruments = {xm::InstrumentRecipe{}, ins};
    loader_calls.clear();
    Song* song = xm::LoadBytes(xm::Build(recipe), CountingSampleLoader);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->sample_loader, &CountingSampleLoader);
    EXPECT_EQ(loader_calls, (std::vector<int>{3, 8, 1, 0, 4, 16, 1, 1}));
    const Sample* a = song->instruments[1].samples[0];
    EXPECT_EQ(a->data[0], 256);
    EXPECT_EQ(a->data[2], 3 * 256);
    const Sample* b = song->instruments[1].samples[1];
    EXPECT_EQ(b->data[0], 0x0201);
    EXPECT_EQ(b->data[1], 0x0403);
    FreeSong(song);
}

}  // namespace
