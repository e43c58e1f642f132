// Small songs built directly in memory for the sequencer, channel and voice tests: N channels,
// patterns of given row counts, instruments with one sample each.
#pragma once

#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "player/channel.h"
#include "player/placeholders.h"
#include "player/playback.h"
#include "player/sequencer.h"

// Gives an instrument a volume envelope of these points, with these flags (bit 0 on, bit 1
// sustain, bit 2 loop).
inline void SetVolumeEnvelope(Instrument* instrument, std::initializer_list<EnvelopePoint> points,
                              uint8_t flags)
{
    uint8_t count = 0;
    for (const EnvelopePoint& point : points) instrument->volume_envelope[count++] = point;
    instrument->volume_point_count = count;
    instrument->volume_envelope_flags = flags;
}

struct TestSong {
    Song song{};
    std::vector<Pattern> patterns;
    std::vector<std::vector<NoteCell>> cells;
    std::vector<Instrument> instruments;
    std::vector<Sample> samples;
    std::vector<std::vector<int16_t>> sample_frames;

    TestSong(int channel_count, std::vector<int> pattern_rows, int instrument_count = 1,
             uint32_t sample_length = 2000)
    {
        patterns.resize(pattern_rows.size());
        cells.resize(pattern_rows.size());
        for (size_t p = 0; p < pattern_rows.size(); ++p) {
            cells[p].assign(static_cast<size_t>(pattern_rows[p]) * channel_count, NoteCell{});
            patterns[p].rows = pattern_rows[p];
            patterns[p].cells = cells[p].empty() ? nullptr : cells[p].data();
        }
        instruments.assign(instrument_count, Instrument{});
        samples.assign(instrument_count, Sample{});
        sample_frames.resize(instrument_count);
        for (int i = 0; i < instrument_count; ++i) {
            // One zero frame before frame 0 and generous slack after the end.
            sample_frames[i].assign(sample_length + 32, 0);
            for (uint32_t f = 0; f < sample_length; ++f) {
                sample_frames[i][f + 1] = static_cast<int16_t>((f % 64) * 256 - 8192);
            }
            Sample& s = samples[i];
            s.data = sample_frames[i].data() + 1;
            s.length = sample_length;
            s.loop_start = 0;
            s.loop_length = sample_length;
            s.volume = 64;
            s.panning = 128;
            s.bits = 16;
            s.loop_type = LOOP_NONE;
            Instrument& in = instruments[i];
            in.sample_count = 1;
            for (int k = 0; k < MAX_INSTRUMENT_SAMPLES; ++k) in.samples[k] = &silent_sample;
            in.samples[0] = &s;
        }
        song.patterns = patterns.data();
        song.instruments = instruments.empty() ? nullptr : instruments.data();
        song.song_length = static_cast<int16_t>(pattern_rows.size());
        song.restart_position = 0;
        song.channel_count = static_cast<int16_t>(channel_count);
        song.used_pattern_count = static_cast<int32_t>(pattern_rows.size());
        song.pattern_count = static_cast<int32_t>(pattern_rows.size());
        song.instrument_count = static_cast<int16_t>(instrument_count);
        song.song_flags = 1;
        song.default_speed = 6;
        song.default_bpm = 125;
        for (size_t o = 0; o < pattern_rows.size(); ++o)
            song.order_table[o] = static_cast<uint8_t>(o);
        song.default_global_volume = 64;
        song.tick_handler = SequencerTick;
    }
    TestSong(const TestSong&) = delete;
    TestSong& operator=(const TestSong&) = delete;
    ~TestSong() { ReleasePlaybackBuffers(); }

    NoteCell& Cell(int pattern, int row, int channel)
    {
        return cells[pattern][static_cast<size_t>(row) * song.channel_count + channel];
    }
    void Put(int pattern, int row, int channel, uint8_t note, uint8_t instrument,
             uint8_t volume_column, uint8_t effect, uint8_t parameter)
    {
        Cell(pattern, row, channel) = NoteCell{note, instrument, volume_column, effect, parameter};
    }
    void Start() { ResetPlayback(&song); }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i) SequencerTick(&song);
    }
};
