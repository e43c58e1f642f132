// The sequencer: tempo, speed, row stepping with jumps, breaks, loops and delays, and the row
// part of the effects; plus the readings chosen for module data outside the format.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "test_sequencer_song.h"

namespace {

constexpr uint8_t NOTE_C4 = 49;  // real note 48, linear period 4608

using Position = std::pair<int, int>;  // order, row

// The (order, row) of every row tick over the given number of ticks.
std::vector<Position> RowTicks(TestSong& t, int ticks)
{
    std::vector<Position> rows;
    for (int i = 0; i < ticks; ++i) {
        bool row_tick = t.song.tick == 0;
        SequencerTick(&t.song);
        if (row_tick) rows.emplace_back(t.song.order, t.song.row);
    }
    return rows;
}

}  // namespace

TEST(SequencerTempo, SamplesPerTickFollowsBpm)
{
    Song song{};
    SetTempo(&song, 125);
    EXPECT_EQ(song.samples_per_tick, 882);
    EXPECT_EQ(song.bpm, 125);
    SetTempo(&song, 32);
    EXPECT_EQ(song.samples_per_tick, 3445);
    SetTempo(&song, 255);
    EXPECT_EQ(song.samples_per_tick, 432);
    for (int bpm = 1; bpm <= 255; ++bpm) {
        SetTempo(&song, bpm);
        EXPECT_EQ(song.samples_per_tick, 110250 / bpm) << bpm;
    }
    SetTempo(&song, 0);
    EXPECT_GE(song.samples_per_tick, 1);
}

TEST(SequencerTempo, HeaderBpmZeroPlaysAs125)
{
    TestSong t(1, {4});
    t.song.default_bpm = 0;
    t.Start();
    EXPECT_EQ(t.song.bpm, 125);
    EXPECT_EQ(t.song.samples_per_tick, 882);
}

TEST(SequencerRows, SpeedZeroPlaysARowEveryTick)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, 0, 0, 0, 0xF, 0x00);
    t.Put(0, 1, 0, 0, 0, 0, 0xE, 0xE3);  // pattern delay at speed 0 is 0 ticks
    t.Start();
    EXPECT_EQ(RowTicks(t, 4), (std::vector<Position>{{0, 0}, {0, 1}, {0, 2}, {0, 3}}));
}

TEST(SequencerRows, PatternDelayLengthensRowLastChannelWins)
{
    TestSong t(2, {8});
    t.Put(0, 0, 0, 0, 0, 0, 0xE, 0xE5);
    t.Put(0, 0, 1, 0, 0, 0, 0xE, 0xE2);
    t.Start();
    int ticks_in_row0 = 0;
    while (true) {
        SequencerTick(&t.song);
        if (t.song.row != 0) break;
        ++ticks_in_row0;
        if (ticks_in_row0 > 100) break;
    }
    // Row 0 lasted (2 + 1) × 6 = 18 ticks.
    EXPECT_EQ(ticks_in_row0, 18);
}

TEST(SequencerRows, JumpThenBreakAndBreakThenJump)
{
    TestSong a(2, {8, 8, 8});
    a.Put(0, 0, 0, 0, 0, 0, 0xB, 2);
    a.Put(0, 0, 1, 0, 0, 0, 0xD, 0x05);
    a.Start();
    a.Ticks(6);
    a.Ticks(1);
    EXPECT_EQ(a.song.order, 2);
    EXPECT_EQ(a.song.row, 5);

    TestSong b(2, {8, 8, 8});
    b.Put(0, 0, 0, 0, 0, 0, 0xD, 0x05);
    b.Put(0, 0, 1, 0, 0, 0, 0xB, 2);
    b.Start();
    b.Ticks(7);
    EXPECT_EQ(b.song.order, 2);
    EXPECT_EQ(b.song.row, 0);
}

TEST(SequencerRows, JumpsPastTheListGoToOrderZeroNaturalEndToRestart)
{
    TestSong jump(1, {4, 4, 4});
    jump.Put(1, 0, 0, 0, 0, 0, 0xB, 40);
    jump.song.order_table[0] = 1;
    jump.Start();
    jump.Ticks(7);
    EXPECT_EQ(jump.song.order, 0);

    TestSong brk(1, {4, 4, 4});
    brk.song.restart_position = 1;
    brk.Put(0, 0, 0, 0, 0, 0, 0xF, 1);
    brk.Put(2, 0, 0, 0, 0, 0, 0xD, 0x00);  // a break on the last order
    brk.Start();
    std::vector<Position> brk_rows = RowTicks(brk, 10);
    EXPECT_EQ(brk_rows[8], Position(2, 0));
    EXPECT_EQ(brk_rows[9], Position(0, 0));  // not the restart position

    TestSong end(1, {1, 1, 1});
    end.song.restart_position = 1;
    end.Start();
    EXPECT_EQ(RowTicks(end, 6 * 5),
              (std::vector<Position>{{0, 0}, {1, 0}, {2, 0}, {1, 0}, {2, 0}}));

    TestSong bad(1, {1, 1});
    bad.song.restart_position = 7;  // beyond the song: the natural end goes to order 0
    bad.Start();
    EXPECT_EQ(RowTicks(bad, 6 * 4), (std::vector<Position>{{0, 0}, {1, 0}, {0, 0}, {1, 0}}));
}

TEST(SequencerRows, PatternLoopPlaysRowsFourTimes)
{
    TestSong t(1, {6, 2});
    t.Put(0, 0, 0, 0, 0, 0, 0xF, 1);
    t.Put(0, 1, 0, 0, 0, 0, 0xE, 0x60);
    t.Put(0, 2, 0, 0, 0, 0, 0xE, 0x63);
    t.Start();
    std::vector<Position> rows = RowTicks(t, 11);
    EXPECT_EQ(rows, (std::vector<Position>{{0, 0},
                                           {0, 1},
                                           {0, 2},
                                           {0, 1},
                                           {0, 2},
                                           {0, 1},
                                           {0, 2},
                                           {0, 1},
                                           {0, 2},
                                           {0, 3},
                                           {0, 4}}));
    EXPECT_EQ(channels[0].pattern_loop_count, 0);
    EXPECT_EQ(channels[0].pattern_loop_row, 1);
}

TEST(SequencerRows, BreakIntoShorterPatternPlaysRowZero)
{
    TestSong t(1, {8, 4});
    t.Put(0, 0, 0, 0, 0, 0, 0xD, 0x40);  // row 40 of a 4-row pattern
    t.Start();
    t.Ticks(7);
    EXPECT_EQ(t.song.order, 1);
    EXPECT_EQ(t.song.row, 0);
}

TEST(SequencerRows, OrderNamingNoPatternPlaysEmpty64Rows)
{
    TestSong t(1, {2});
    t.song.song_length = 2;
    t.song.order_table[1] = 9;  // no such pattern
    t.Put(0, 0, 0, 0, 0, 0, 0xF, 1);
    t.Start();
    std::vector<Position> rows = RowTicks(t, 2 + 64 + 1);
    EXPECT_EQ(rows[2], Position(1, 0));
    EXPECT_EQ(rows[65], Position(1, 63));
    EXPECT_EQ(rows[66], Position(0, 0));
}

TEST(SequencerRows, ExtremeHeaderValuesStayInsideTheTables)
{
    TestSong t(40, {4});       // more channels than the channel table holds
    t.song.song_length = 300;  // more orders than the order table holds
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0xF, 1);
    t.Start();
    int highest_order = 0;
    for (int i = 0; i < 4 * 300; ++i) {
        SequencerTick(&t.song);
        if (t.song.order > highest_order) highest_order = t.song.order;
    }
    EXPECT_EQ(highest_order, 255);
    EXPECT_EQ(t.song.order, (4 * 300 - 4 * 256) / 4 - 1);
}

TEST(SequencerNotes, NoteStartsWithPeriodAndTrigger)
{
    TestSong t(1, {4});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Start();
    t.Ticks(1);
    ChannelState& c = channels[0];
    EXPECT_EQ(c.period, 4608);
    EXPECT_EQ(c.note, 48);
    EXPECT_EQ(c.real_note, 48);
    EXPECT_EQ(c.voice->sample, &t.samples[0]);
    EXPECT_EQ(c.voice->frequency, 8363);
    EXPECT_EQ(c.voice->volume, 127);
}

TEST(SequencerNotes, NotesBeyond96AreNoNotes)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Put(0, 1, 0, 97, 0, 0, 0, 0);
    t.Put(0, 2, 0, 200, 0, 0, 0, 0);
    t.Put(0, 3, 0, 254, 0, 0, 0, 0);
    t.Start();
    t.Ticks(6);
    for (int row = 1; row <= 3; ++row) {
        t.Ticks(1);
        EXPECT_EQ(channels[0].note, 48);
        EXPECT_EQ(channels[0].update_flags & UPDATE_TRIGGER, 0);
        EXPECT_EQ(channels[0].key_off, 0);
        t.Ticks(5);
    }
}

TEST(SequencerNotes, TonePortamentoRowsDoNotRestart)
{
    for (uint8_t effect : {3, 5}) {
        TestSong t(1, {8});
        t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
        t.Put(0, 1, 0, NOTE_C4 + 12, 1, 0x20, effect, effect == 3 ? 0x10 : 0x00);
        t.Start();
        t.Ticks(7);
        ChannelState& c = channels[0];
        EXPECT_EQ(c.period, 4608);
        EXPECT_EQ(c.real_note, 60);
        EXPECT_EQ(c.note_period, 4608 - 12 * 64);
        EXPECT_EQ(c.tone_porta_target, 4608 - 12 * 64);
        EXPECT_EQ(c.note, 48);  // the note is not taken over
        EXPECT_EQ(c.update_flags & (UPDATE_TRIGGER | UPDATE_FREQUENCY), UPDATE_FREQUENCY);
        EXPECT_EQ(c.volume, 16);  // the instrument reset the volume, then the column set it
        if (effect == 3) {
            t.Ticks(1);
            EXPECT_EQ(c.period, 4608 - 64);
        }
    }
}

TEST(SequencerNotes, VolumeColumnTonePortamentoSlidesToTheNote)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Put(0, 1, 0, NOTE_C4 + 12, 1, 0xF1, 0, 0);  // slide at 16 × 4 = 64 units per tick
    t.Start();
    t.Ticks(7);
    ChannelState& c = channels[0];
    EXPECT_EQ(c.period, 4608);
    EXPECT_EQ(c.note, 48);
    EXPECT_EQ(c.tone_porta_target, 4608 - 12 * 64);
    EXPECT_EQ(c.update_flags & UPDATE_TRIGGER, 0);
    t.Ticks(2);
    EXPECT_EQ(c.period, 4608 - 2 * 64);
}

TEST(SequencerNotes, ToneSpeedZeroStillSetsTarget)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 3, 0x08);
    t.Put(0, 1, 0, NOTE_C4 + 1, 0, 0, 3, 0x00);
    t.Start();
    t.Ticks(7);
    EXPECT_EQ(channels[0].tone_porta_target, 4608 - 64);
    EXPECT_EQ(channels[0].tone_porta_speed, 8);
}

TEST(SequencerNotes, NoteDelayNeverStartsForY0OrBeyondTheRow)
{
    for (uint8_t parameter : {0xD0, 0xD6, 0xDF}) {
        TestSong t(1, {8});
        t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
        t.Put(0, 1, 0, NOTE_C4 + 12, 1, 0x20, 0xE, parameter);
        t.Start();
        t.Ticks(6);
        for (int tick = 0; tick < 6; ++tick) {
            t.Ticks(1);
            EXPECT_EQ(channels[0].update_flags & UPDATE_TRIGGER, 0);
            EXPECT_EQ(channels[0].period, 4608);
            EXPECT_EQ(channels[0].volume, 64);
        }
    }
}

TEST(SequencerNotes, NoteDelayStartsOnTickY)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Put(0, 1, 0, NOTE_C4 + 12, 1, 0x20, 0xE, 0xD2);
    t.Start();
    t.Ticks(8);
    EXPECT_EQ(channels[0].period, 4608);
    t.Ticks(1);
    EXPECT_EQ(channels[0].period, 4608 - 12 * 64);
    EXPECT_EQ(channels[0].volume, 16);
    EXPECT_TRUE(channels[0].update_flags & UPDATE_TRIGGER);
}

TEST(SequencerNotes, KeyOffWithoutVolumeEnvelopeSilencesAtOnce)
{
    TestSong t(1, {8});
    t.instruments[0].fadeout = 1000;
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Put(0, 1, 0, NOTE_KEY_OFF, 0, 0, 0, 0);
    t.Start();
    t.Ticks(7);
    EXPECT_EQ(channels[0].key_off, 1);
    EXPECT_EQ(channels[0].vol_env_value, 0);
    EXPECT_EQ(channels[0].fadeout_volume, 65536 - 1000);
    EXPECT_EQ(channels[0].voice->volume, 0);
    t.Ticks(1);
    EXPECT_EQ(channels[0].fadeout_volume, 65536 - 2000);
}

TEST(SequencerNotes, KeyOffWithVolumeEnvelopeLeavesSustainOnTheSameTick)
{
    TestSong t(1, {8});
    Instrument& in = t.instruments[0];
    SetVolumeEnvelope(&in, {{0, 64}, {2, 40}, {10, 0}}, 1 | 2);
    in.volume_sustain_point = 1;
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Put(0, 1, 0, 0, 0, 0, 20, 0);  // K00
    t.Start();
    t.Ticks(6);
    EXPECT_EQ(channels[0].vol_env_value, 40);
    EXPECT_EQ(channels[0].vol_env_tick, 2u);
    t.Ticks(1);
    EXPECT_EQ(channels[0].key_off, 1);
    EXPECT_EQ(channels[0].vol_env_tick, 3u);
    t.Ticks(1);
    EXPECT_EQ(channels[0].vol_env_value, 35);
}

TEST(SequencerEffects, SetVolumeAndGlobalVolumeAreLimitedTo64)
{
    TestSong t(1, {4});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0xC, 0x7F);
    t.Put(0, 1, 0, 0, 0, 0, 16, 0x90);
    t.Start();
    t.Ticks(1);
    EXPECT_EQ(channels[0].volume, 64);
    t.song.global_volume = 10;
    t.Ticks(6);
    EXPECT_EQ(t.song.global_volume, 64);
}

TEST(SequencerEffects, TremoloOffsetStaysWhenTheTremoloStops)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, NOTE_C4, 1, 0x30, 7, 0x4F);  // volume 32
    t.Put(0, 1, 0, 0, 0, 0, 7, 0x00);
    t.Put(0, 2, 0, 0, 0, 0, 0, 0);
    t.Start();
    t.Ticks(6);
    int32_t offset = channels[0].volume_delta;
    EXPECT_NE(offset, 0);
    t.Ticks(1);  // another tremolo row: the offset is dropped
    EXPECT_EQ(channels[0].volume, 32);
    t.Ticks(5);
    offset = channels[0].volume_delta;
    t.Ticks(1);  // no tremolo: the offset becomes part of the volume
    EXPECT_EQ(channels[0].volume, 32 + offset);
    EXPECT_EQ(channels[0].volume_delta, 0);
}

TEST(SequencerEffects, FinetuneAppliesToLaterNotesOnly)
{
    TestSong t(2, {8});
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0xE, 0x5F);
    t.Put(0, 1, 1, NOTE_C4, 1, 0, 0, 0);
    t.Start();
    t.Ticks(1);
    EXPECT_EQ(channels[0].period, 4608);
    EXPECT_EQ(t.samples[0].finetune, 15);
    t.Ticks(6);
    EXPECT_EQ(channels[1].period, 4608 - 7);
}

TEST(SequencerEffects, FinetuneLeavesTheSilentSampleAlone)
{
    TestSong t(1, {4});
    t.Put(0, 0, 0, NOTE_C4, 5, 0, 0xE, 0x57);  // instrument 5 does not exist
    t.Start();
    t.Ticks(1);
    EXPECT_EQ(silent_sample.finetune, 0);
}

TEST(SequencerEffects, SampleOffsetBeyondLoopEndRewindsWithoutTrigger)
{
    TestSong t(1, {8}, 1, 1000);
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 0, 0);
    t.Put(0, 1, 0, NOTE_C4, 0, 0, 9, 0x04);  // 1024 frames, beyond the 1000-frame sample
    t.Start();
    t.Ticks(6);
    Voice* voice = channels[0].voice;
    voice->position = 700;
    t.Ticks(1);
    EXPECT_EQ(channels[0].voice, voice);  // no new note, no hand-off
    EXPECT_EQ(voice->position, 0);
    EXPECT_EQ(channels[0].update_flags & UPDATE_TRIGGER, 0);
    EXPECT_TRUE(channels[0].update_flags & UPDATE_REWIND);
}

TEST(SequencerEffects, SampleOffsetStartsTheNote)
{
    TestSong t(1, {8}, 1, 1000);
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 9, 0x02);
    t.Start();
    t.Ticks(1);
    EXPECT_EQ(channels[0].voice->position, 512);
    EXPECT_EQ(channels[0].sample_offset_memory, 2);
}

TEST(SequencerEffects, EnvelopePositionBeyondLastPoint)
{
    TestSong t(1, {8});
    Instrument& in = t.instruments[0];
    SetVolumeEnvelope(&in, {{0, 64}, {10, 32}, {20, 16}}, 1);
    t.Put(0, 0, 0, NOTE_C4, 1, 0, 21, 200);
    t.Put(0, 1, 0, 0, 0, 0, 21, 5);
    t.Start();
    t.Ticks(1);
    EXPECT_EQ(channels[0].vol_env_done, 1);
    EXPECT_EQ(channels[0].vol_env_value, 16);
    t.Ticks(6);
    EXPECT_EQ(channels[0].vol_env_done, 0);
    EXPECT_EQ(channels[0].vol_env_point, 1u);
    EXPECT_EQ(channels[0].vol_env_tick, 5u);
    EXPECT_EQ(channels[0].vol_env_value, 48);
}

TEST(SequencerEffects, SpeedAndTempoTakeHoldOnTheSameRow)
{
    TestSong t(1, {8});
    t.Put(0, 0, 0, 0, 0, 0, 0xF, 3);
    t.Put(0, 1, 0, 0, 0, 0, 0xF, 0x80);
    t.Start();
    t.Ticks(3);
    EXPECT_EQ(t.song.row, 0);
    t.Ticks(1);
    EXPECT_EQ(t.song.row, 1);
    EXPECT_EQ(t.song.bpm, 128);
    EXPECT_EQ(t.song.samples_per_tick, 110250 / 128);
}
