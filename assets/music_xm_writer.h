// The module as the generator composes it, written as an XM file through the XM writer:
// header, packed patterns, instruments with their sample headers and delta-encoded 8-bit
// sample data. Only what the module generator needs: every instrument holds at most one
// sample, every pattern has the song's channel count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/xm_writer.h"

namespace music {

struct XmCell {
    uint8_t note = 0;  // 0 none, 1..96, XM_KEY_OFF
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

struct XmPattern {
    int rows = 0;
    int channels = 0;
    std::vector<XmCell> cells;  // rows x channels, row-major
};

// A cell outside the pattern is a composition mistake: stop the generator loudly.
inline XmCell& CellAt(XmPattern& pattern, int row, int channel)
{
    if (row < 0 || row >= pattern.rows || channel < 0 || channel >= pattern.channels) {
        std::fprintf(stderr, "gen_module: cell row %d channel %d lies outside the pattern\n", row,
                     channel);
        std::abort();
    }
    return pattern.cells[static_cast<size_t>(row * pattern.channels + channel)];
}

inline XmPattern MakePattern(int rows, int channels)
{
    XmPattern pattern;
    pattern.rows = rows;
    pattern.channels = channels;
    pattern.cells.assign(static_cast<size_t>(rows * channels), XmCell{});
    return pattern;
}

struct XmEnvelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, value), at most 12
    bool on = false;
    bool sustain = false;
    bool loop = false;
    uint8_t sustain_point = 0;
    uint8_t loop_start = 0;
    uint8_t loop_end = 0;
};

enum class XmLoop : uint8_t { NONE = 0, FORWARD = 1, PING_PONG = 2 };

struct XmInstrument {
    std::string name;
    bool has_sample = false;
    // The sample (8-bit, signed frames, not yet delta-encoded).
    std::string sample_name;
    std::vector<int8_t> frames;
    XmLoop loop = XmLoop::NONE;
    uint32_t loop_start = 0;   // frames
    uint32_t loop_length = 0;  // frames
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relative_note = 0;
    // Instrument settings.
    XmEnvelope volume_envelope;
    XmEnvelope panning_envelope;
    uint8_t vibrato_type = 0;
    uint8_t vibrato_sweep = 0;
    uint8_t vibrato_depth = 0;
    uint8_t vibrato_rate = 0;
    uint16_t fadeout = 0;
};

struct XmModule {
    std::string name;
    int channels = 4;
    int restart_position = 0;
    uint16_t flags = 0;
    int speed = 6;
    int bpm = 125;
    std::vector<uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

inline std::vector<uint8_t> PackPatternData(const XmPattern& pattern)
{
    std::vector<uint8_t> data;
    for (const XmCell& cell : pattern.cells) {
        PutXmPackedCell(data, cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter);
    }
    return data;
}

inline void CopyEnvelope(const XmEnvelope& envelope, uint16_t* points, uint8_t* count,
                         uint8_t* type)
{
    for (size_t i = 0; i < 12 && i < envelope.points.size(); ++i) {
        points[2 * i] = envelope.points[i].first;
        points[2 * i + 1] = envelope.points[i].second;
    }
    *count = static_cast<uint8_t>(envelope.points.size());
    *type = static_cast<uint8_t>((envelope.on ? 1 : 0) | (envelope.sustain ? 2 : 0) |
                                 (envelope.loop ? 4 : 0));
}

// An instrument with its one sample (every note plays it), or an empty one.
inline void PutInstrument(std::vector<uint8_t>& out, const XmInstrument& instrument)
{
    XmInstrumentHeader header;
    header.name = instrument.name;
    if (!instrument.has_sample) {
        PutXmInstrumentHeader(out, header);
        return;
    }
    header.header_size = XM_INSTRUMENT_HEADER_SIZE;
    header.sample_count = 1;
    header.with_samples = true;
    const XmEnvelope& volume = instrument.volume_envelope;
    const XmEnvelope& panning = instrument.panning_envelope;
    CopyEnvelope(volume, header.volume_envelope, &header.volume_points, &header.volume_type);
    CopyEnvelope(panning, header.panning_envelope, &header.panning_points, &header.panning_type);
    header.volume_sustain = volume.sustain_point;
    header.volume_loop_start = volume.loop_start;
    header.volume_loop_end = volume.loop_end;
    header.panning_sustain = panning.sustain_point;
    header.panning_loop_start = panning.loop_start;
    header.panning_loop_end = panning.loop_end;
    header.vibrato_type = instrument.vibrato_type;
    header.vibrato_sweep = instrument.vibrato_sweep;
    header.vibrato_depth = instrument.vibrato_depth;
    header.vibrato_rate = instrument.vibrato_rate;
    header.fadeout = instrument.fadeout;
    PutXmInstrumentHeader(out, header);

    // Lengths and loop points are in bytes (8-bit: one per frame).
    XmSampleHeader sample;
    sample.length = static_cast<uint32_t>(instrument.frames.size());
    sample.loop_start = instrument.loop == XmLoop::NONE ? 0 : instrument.loop_start;
    sample.loop_length = instrument.loop == XmLoop::NONE ? 0 : instrument.loop_length;
    sample.volume = instrument.volume;
    sample.finetune = instrument.finetune;
    sample.type = static_cast<uint8_t>(instrument.loop);
    sample.panning = instrument.panning;
    sample.relative_note = instrument.relative_note;
    sample.name = instrument.sample_name;
    PutXmSampleHeader(out, sample);

    const std::vector<uint8_t> deltas = XmDeltas8(instrument.frames);
    out.insert(out.end(), deltas.begin(), deltas.end());
}

// Bytes that everything but the sample data takes: lets the generator size its samples so
// that the file comes out at an exact length.
inline size_t XmSizeWithoutSampleData(const XmModule& module)
{
    size_t size = XM_HEADER_SIZE_OFFSET + XM_HEADER_SIZE;
    for (const XmPattern& pattern : module.patterns)
        size += XM_PATTERN_HEADER_SIZE + PackPatternData(pattern).size();
    for (const XmInstrument& instrument : module.instruments) {
        size += instrument.has_sample ? XM_INSTRUMENT_HEADER_SIZE + XM_SAMPLE_HEADER_SIZE
                                      : XM_EMPTY_INSTRUMENT_HEADER_SIZE;
    }
    return size;
}

inline std::vector<uint8_t> WriteXm(const XmModule& module)
{
    std::vector<uint8_t> out;
    XmSongHeader header;
    header.title = module.name;
    header.tracker = "gen_module";
    header.song_length = static_cast<uint16_t>(module.orders.size());
    header.restart_position = static_cast<uint16_t>(module.restart_position);
    header.channel_count = static_cast<uint16_t>(module.channels);
    header.pattern_count = static_cast<uint16_t>(module.patterns.size());
    header.instrument_count = static_cast<uint16_t>(module.instruments.size());
    header.flags = module.flags;
    header.speed = static_cast<uint16_t>(module.speed);
    header.bpm = static_cast<uint16_t>(module.bpm);
    for (size_t i = 0; i < module.orders.size() && i < XM_ORDER_ENTRIES; ++i) {
        header.orders[i] = module.orders[i];
    }
    PutXmSongHeader(out, header);

    for (const XmPattern& pattern : module.patterns) {
        const std::vector<uint8_t> data = PackPatternData(pattern);
        PutXmPatternHeader(out, static_cast<uint16_t>(pattern.rows),
                           static_cast<uint16_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }
    for (const XmInstrument& instrument : module.instruments) PutInstrument(out, instrument);
    return out;
}

}  // namespace music
