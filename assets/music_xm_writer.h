// Writes a module as an XM file: header, packed patterns, instruments with their sample
// headers and delta-encoded 8-bit sample data. Only what the module generator needs: every
// instrument holds at most one sample, every pattern has the song's channel count.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace music {

constexpr int XM_HEADER_SIZE = 276;  // counted from offset 60
constexpr int XM_PATTERN_HEADER_SIZE = 9;
constexpr int XM_INSTRUMENT_HEADER_SIZE = 263;  // with samples: up to the 22 reserved bytes
constexpr int XM_EMPTY_INSTRUMENT_HEADER_SIZE = 29;
constexpr int XM_SAMPLE_HEADER_SIZE = 40;
constexpr uint8_t XM_KEY_OFF = 97;

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

inline void PutU8(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
}
inline void PutU16(std::vector<uint8_t>& out, uint32_t value)
{
    PutU8(out, value & 0xFF);
    PutU8(out, (value >> 8) & 0xFF);
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}
// A text field of fixed width, padded with zeros (longer texts are cut).
inline void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        PutU8(out, i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

// One cell in XM packing: a flag byte naming the fields that follow, or nothing but 0x80 for
// an empty cell. A full cell is written unpacked (5 bytes, one less than packed).
inline void PutPackedCell(std::vector<uint8_t>& out, const XmCell& cell)
{
    const bool full = cell.note && cell.instrument && cell.volume && cell.effect && cell.parameter;
    if (full) {
        PutU8(out, cell.note);
        PutU8(out, cell.instrument);
        PutU8(out, cell.volume);
        PutU8(out, cell.effect);
        PutU8(out, cell.parameter);
        return;
    }
    uint8_t flags = 0x80;
    if (cell.note) flags |= 0x01;
    if (cell.instrument) flags |= 0x02;
    if (cell.volume) flags |= 0x04;
    if (cell.effect) flags |= 0x08;
    if (cell.parameter) flags |= 0x10;
    PutU8(out, flags);
    if (cell.note) PutU8(out, cell.note);
    if (cell.instrument) PutU8(out, cell.instrument);
    if (cell.volume) PutU8(out, cell.volume);
    if (cell.effect) PutU8(out, cell.effect);
    if (cell.parameter) PutU8(out, cell.parameter);
}

inline std::vector<uint8_t> PackPatternData(const XmPattern& pattern)
{
    std::vector<uint8_t> data;
    for (const XmCell& cell : pattern.cells) PutPackedCell(data, cell);
    return data;
}

inline void PutEnvelopePoints(std::vector<uint8_t>& out, const XmEnvelope& envelope)
{
    for (size_t i = 0; i < 12; ++i) {
        const bool used = i < envelope.points.size();
        PutU16(out, used ? envelope.points[i].first : 0);
        PutU16(out, used ? envelope.points[i].second : 0);
    }
}

inline uint8_t EnvelopeType(const XmEnvelope& envelope)
{
    return static_cast<uint8_t>((envelope.on ? 1 : 0) | (envelope.sustain ? 2 : 0) |
                                (envelope.loop ? 4 : 0));
}

// XM stores 8-bit sample data as differences between neighbouring frames.
inline std::vector<uint8_t> DeltaEncode(const std::vector<int8_t>& frames)
{
    std::vector<uint8_t> out;
    out.reserve(frames.size());
    int8_t previous = 0;
    for (int8_t frame : frames) {
        out.push_back(
            static_cast<uint8_t>(static_cast<uint8_t>(frame) - static_cast<uint8_t>(previous)));
        previous = frame;
    }
    return out;
}

inline void PutInstrument(std::vector<uint8_t>& out, const XmInstrument& instrument)
{
    if (!instrument.has_sample) {
        PutU32(out, XM_EMPTY_INSTRUMENT_HEADER_SIZE);
        PutText(out, instrument.name, 22);
        PutU8(out, 0);   // type
        PutU16(out, 0);  // no samples
        return;
    }
    PutU32(out, XM_INSTRUMENT_HEADER_SIZE);
    PutText(out, instrument.name, 22);
    PutU8(out, 0);
    PutU16(out, 1);
    PutU32(out, XM_SAMPLE_HEADER_SIZE);
    for (int note = 0; note < 96; ++note) PutU8(out, 0);  // every note plays sample 0
    PutEnvelopePoints(out, instrument.volume_envelope);
    PutEnvelopePoints(out, instrument.panning_envelope);
    PutU8(out, static_cast<uint32_t>(instrument.volume_envelope.points.size()));
    PutU8(out, static_cast<uint32_t>(instrument.panning_envelope.points.size()));
    PutU8(out, instrument.volume_envelope.sustain_point);
    PutU8(out, instrument.volume_envelope.loop_start);
    PutU8(out, instrument.volume_envelope.loop_end);
    PutU8(out, instrument.panning_envelope.sustain_point);
    PutU8(out, instrument.panning_envelope.loop_start);
    PutU8(out, instrument.panning_envelope.loop_end);
    PutU8(out, EnvelopeType(instrument.volume_envelope));
    PutU8(out, EnvelopeType(instrument.panning_envelope));
    PutU8(out, instrument.vibrato_type);
    PutU8(out, instrument.vibrato_sweep);
    PutU8(out, instrument.vibrato_depth);
    PutU8(out, instrument.vibrato_rate);
    PutU16(out, instrument.fadeout);
    for (int i = 0; i < 22; ++i) PutU8(out, 0);  // reserved

    // The one sample header; lengths and loop points are in bytes (8-bit: one per frame).
    PutU32(out, static_cast<uint32_t>(instrument.frames.size()));
    PutU32(out, instrument.loop == XmLoop::NONE ? 0 : instrument.loop_start);
    PutU32(out, instrument.loop == XmLoop::NONE ? 0 : instrument.loop_length);
    PutU8(out, instrument.volume);
    PutU8(out, static_cast<uint8_t>(instrument.finetune));
    PutU8(out, static_cast<uint8_t>(instrument.loop));
    PutU8(out, instrument.panning);
    PutU8(out, static_cast<uint8_t>(instrument.relative_note));
    PutU8(out, 0);  // reserved
    PutText(out, instrument.sample_name, 22);

    const std::vector<uint8_t> deltas = DeltaEncode(instrument.frames);
    out.insert(out.end(), deltas.begin(), deltas.end());
}

// Bytes that everything but the sample data takes: lets the generator size its samples so
// that the file comes out at an exact length.
inline size_t XmSizeWithoutSampleData(const XmModule& module)
{
    size_t size = 60 + XM_HEADER_SIZE;
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
    PutText(out, "Extended Module: ", 17);
    PutText(out, module.name, 20);
    PutU8(out, 0x1A);
    PutText(out, "gen_module", 20);
    PutU16(out, 0x0104);
    PutU32(out, XM_HEADER_SIZE);
    PutU16(out, static_cast<uint32_t>(module.orders.size()));
    PutU16(out, static_cast<uint32_t>(module.restart_position));
    PutU16(out, static_cast<uint32_t>(module.channels));
    PutU16(out, static_cast<uint32_t>(module.patterns.size()));
    PutU16(out, static_cast<uint32_t>(module.instruments.size()));
    PutU16(out, module.flags);
    PutU16(out, static_cast<uint32_t>(module.speed));
    PutU16(out, static_cast<uint32_t>(module.bpm));
    for (size_t i = 0; i < 256; ++i) PutU8(out, i < module.orders.size() ? module.orders[i] : 0);

    for (const XmPattern& pattern : module.patterns) {
        const std::vector<uint8_t> data = PackPatternData(pattern);
        PutU32(out, XM_PATTERN_HEADER_SIZE);
        PutU8(out, 0);  // packing type
        PutU16(out, static_cast<uint32_t>(pattern.rows));
        PutU16(out, static_cast<uint32_t>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }
    for (const XmInstrument& instrument : module.instruments) PutInstrument(out, instrument);
    return out;
}

}  // namespace music
