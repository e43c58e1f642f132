// The one writer of the XM layout (player/xm_format.h): the song header, pattern headers,
// packed cells, instrument and sample headers and delta-encoded sample data, each field as the
// caller gives it. The module generator writes the embedded module through it, and the tests'
// module builder writes small (and deliberately inconsistent) files through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/xm_format.h"

struct XmSongHeader {
    std::string title;
    std::string tracker;
    uint16_t song_length = 0;
    uint16_t restart_position = 0;
    uint16_t channel_count = 0;
    uint16_t pattern_count = 0;
    uint16_t instrument_count = 0;
    uint16_t flags = 0;  // bit 0: linear frequency table
    uint16_t speed = 6;
    uint16_t bpm = 125;
    uint8_t orders[XM_ORDER_ENTRIES] = {};
};

// An instrument header. The fields after sample_count are written only when with_samples;
// the header is then padded with zeros (or cut) to header_size, unless that is absurdly large.
struct XmInstrumentHeader {
    uint32_t header_size = XM_EMPTY_INSTRUMENT_HEADER_SIZE;
    std::string name;
    uint16_t sample_count = 0;
    bool with_samples = false;
    uint8_t note_to_sample[96] = {};
    uint16_t volume_envelope[24] = {};  // 12 points of (tick, value)
    uint16_t panning_envelope[24] = {};
    uint8_t volume_points = 0;
    uint8_t panning_points = 0;
    uint8_t volume_sustain = 0;
    uint8_t volume_loop_start = 0;
    uint8_t volume_loop_end = 0;
    uint8_t panning_sustain = 0;
    uint8_t panning_loop_start = 0;
    uint8_t panning_loop_end = 0;
    uint8_t volume_type = 0;  // bit 0 on, bit 1 sustain, bit 2 loop
    uint8_t panning_type = 0;
    uint8_t vibrato_type = 0;
    uint8_t vibrato_sweep = 0;
    uint8_t vibrato_depth = 0;
    uint8_t vibrato_rate = 0;
    uint16_t fadeout = 0;
};

struct XmSampleHeader {
    uint32_t length = 0;  // bytes
    uint32_t loop_start = 0;
    uint32_t loop_length = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;  // bits 0-1: loop (1 forward, 2 ping-pong), bit 4: 16-bit
    uint8_t panning = 128;
    int8_t relative_note = 0;
    std::string name;
};

inline void PutXmU8(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
}

inline void PutXmU16(std::vector<uint8_t>& out, uint32_t value)
{
    PutXmU8(out, value & 0xFF);
    PutXmU8(out, (value >> 8) & 0xFF);
}

inline void PutXmU32(std::vector<uint8_t>& out, uint32_t value)
{
    PutXmU16(out, value & 0xFFFF);
    PutXmU16(out, value >> 16);
}

// A text field of fixed width, padded with zeros (longer texts are cut).
inline void PutXmText(std::vector<uint8_t>& out, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i) PutXmU8(out, i < text.size() ? uint8_t(text[i]) : 0);
}

inline void PutXmSongHeader(std::vector<uint8_t>& out, const XmSongHeader& header)
{
    PutXmText(out, XM_ID, XM_ID_LENGTH);
    PutXmText(out, header.title, XM_NAME_LENGTH);
    PutXmU8(out, 0x1A);
    PutXmText(out, header.tracker, XM_NAME_LENGTH);
    PutXmU16(out, XM_VERSION);
    PutXmU32(out, XM_HEADER_SIZE);
    PutXmU16(out, header.song_length);
    PutXmU16(out, header.restart_position);
    PutXmU16(out, header.channel_count);
    PutXmU16(out, header.pattern_count);
    PutXmU16(out, header.instrument_count);
    PutXmU16(out, header.flags);
    PutXmU16(out, header.speed);
    PutXmU16(out, header.bpm);
    out.insert(out.end(), header.orders, header.orders + XM_ORDER_ENTRIES);
}

// The pattern header; its packed cells follow it.
inline void PutXmPatternHeader(std::vector<uint8_t>& out, uint16_t rows, uint16_t packed_size)
{
    PutXmU32(out, XM_PATTERN_HEADER_SIZE);
    PutXmU8(out, 0);  // packing type
    PutXmU16(out, rows);
    PutXmU16(out, packed_size);
}

// One cell in XM packing: a flag byte naming the fields that follow, or nothing but 0x80 for
// an empty cell. A full cell is written unpacked (5 bytes, one less than packed).
inline void PutXmPackedCell(std::vector<uint8_t>& out, uint8_t note, uint8_t instrument,
                            uint8_t volume, uint8_t effect, uint8_t parameter)
{
    const uint8_t fields[5] = {note, instrument, volume, effect, parameter};
    uint8_t flags = 0x80;
    for (int i = 0; i < 5; ++i) {
        if (fields[i] != 0) flags |= static_cast<uint8_t>(1 << i);
    }
    if (flags != 0x9F) PutXmU8(out, flags);
    for (uint8_t field : fields) {
        if (field != 0) PutXmU8(out, field);
    }
}

inline void PutXmInstrumentHeader(std::vector<uint8_t>& out, const XmInstrumentHeader& header)
{
    const size_t start = out.size();
    PutXmU32(out, header.header_size);
    PutXmText(out, header.name, XM_INSTRUMENT_NAME_LENGTH);
    PutXmU8(out, 0);  // type
    PutXmU16(out, header.sample_count);
    if (header.with_samples) {
        PutXmU32(out, XM_SAMPLE_HEADER_SIZE);
        out.insert(out.end(), header.note_to_sample, header.note_to_sample + 96);
        for (uint16_t value : header.volume_envelope) PutXmU16(out, value);
        for (uint16_t value : header.panning_envelope) PutXmU16(out, value);
        for (uint8_t value :
             {header.volume_points, header.panning_points, header.volume_sustain,
              header.volume_loop_start, header.volume_loop_end, header.panning_sustain,
              header.panning_loop_start, header.panning_loop_end, header.volume_type,
              header.panning_type, header.vibrato_type, header.vibrato_sweep, header.vibrato_depth,
              header.vibrato_rate}) {
            PutXmU8(out, value);
        }
        PutXmU16(out, header.fadeout);
    }
    // The rest of the stated size is reserved (zeros); absurd sizes are only stated.
    if (header.header_size <= 4096) out.resize(start + header.header_size, 0);
}

inline void PutXmSampleHeader(std::vector<uint8_t>& out, const XmSampleHeader& header)
{
    PutXmU32(out, header.length);
    PutXmU32(out, header.loop_start);
    PutXmU32(out, header.loop_length);
    PutXmU8(out, header.volume);
    PutXmU8(out, static_cast<uint8_t>(header.finetune));
    PutXmU8(out, header.type);
    PutXmU8(out, header.panning);
    PutXmU8(out, static_cast<uint8_t>(header.relative_note));
    PutXmU8(out, 0);  // reserved
    PutXmText(out, header.name, XM_SAMPLE_NAME_LENGTH);
}

// XM stores 8-bit sample data as differences between neighbouring frames.
inline std::vector<uint8_t> XmDeltas8(const std::vector<int8_t>& frames)
{
    std::vector<uint8_t> out;
    out.reserve(frames.size());
    uint8_t previous = 0;
    for (int8_t frame : frames) {
        out.push_back(static_cast<uint8_t>(static_cast<uint8_t>(frame) - previous));
        previous = static_cast<uint8_t>(frame);
    }
    return out;
}
