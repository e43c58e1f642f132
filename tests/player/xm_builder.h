// Writes small XM modules in memory, field by field as the file format lays them out, so
// tests can load exactly the case they exercise. Every count written to the file comes from
// the records it describes unless an override is set, so tests can also write inconsistent files.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "player/song.h"
#include "player/player.h"
#include "player/source.h"

namespace xm {

struct SampleSpec {
    uint32_t length = 0;       // bytes, as the file states it
    uint32_t loop_start = 0;   // bytes
    uint32_t loop_length = 0;  // bytes
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;  // bit 0 forward, bit 1 ping-pong, bit 4 16-bit
    uint8_t panning = 128;
    int8_t relative_note = 0;
    std::vector<uint8_t> data;  // the bytes written after the headers (delta-encoded)
};

struct InstrumentSpec {
    std::vector<SampleSpec> samples;
    int32_t sample_count_override = -1;  // written instead of samples.size() when >= 0
    uint32_t header_size = 0;            // 0: 263 with samples, 29 without
    uint8_t note_to_sample[96] = {};
    uint16_t volume_envelope[24] = {};  // 12 points of (position, value)
    uint16_t panning_envelope[24] = {};
    // volume/panning point counts, sustain and loop points, flags, vibrato (14 bytes).
    uint8_t fields[14] = {};
    uint16_t fadeout = 0;
};

struct PatternSpec {
    uint16_t rows = 64;
    std::vector<uint8_t> packed;        // the pattern's packed cell bytes
    int32_t packed_size_override = -1;  // written instead of packed.size() when >= 0
};

struct ModuleSpec {
    uint16_t song_length = 1;
    uint16_t restart_position = 0;
    uint16_t channel_count = 4;
    uint16_t flags = 1;
    uint16_t speed = 6;
    uint16_t bpm = 125;
    std::vector<uint8_t> orders = {0};
    std::vector<PatternSpec> patterns;
    std::vector<InstrumentSpec> instruments;
    int32_t pattern_count_override = -1;
    int32_t instrument_count_override = -1;
};

class Writer {
public:
    std::vector<uint8_t> bytes;
    void U8(uint32_t v) { bytes.push_back(uint8_t(v)); }
    void U16(uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v)
    {
        U16(v);
        U16(v >> 16);
    }
    void Raw(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        bytes.insert(bytes.end(), b, b + n);
    }
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    void Text(const std::string& s, size_t n)
    {
        std::string t = s;
        t.resize(n, '\0');
        Raw(t.data(), n);
    }
};

inline std::vector<uint8_t> Build(const ModuleSpec& spec)
{
    Writer w;
    w.Text("Extended Module: ", 17);
    w.Text("test module", 20);
    w.U8(0x1A);
    w.Text("builder", 20);
    w.U16(0x0104);
    w.U32(276);
    w.U16(spec.song_length);
    w.U16(spec.restart_position);
    w.U16(spec.channel_count);
    w.U16(spec.pattern_count_override >= 0 ? uint32_t(spec.pattern_count_override)
                                           : uint32_t(spec.patterns.size()));
    w.U16(spec.instrument_count_override >= 0 ? uint32_t(spec.instrument_count_override)
                                              : uint32_t(spec.instruments.size()));
    w.U16(spec.flags);
    w.U16(spec.speed);
    w.U16(spec.bpm);
    uint8_t orders[256] = {};
    for (size_t i = 0; i < spec.orders.size() && i < 256; i++) orders[i] = spec.orders[i];
    w.Raw(orders, 256);
    for (const PatternSpec& p : spec.patterns) {
        w.U32(9);
        w.U8(0);
        w.U16(p.rows);
        w.U16(p.packed_size_override >= 0 ? uint32_t(p.packed_size_override)
                                          : uint32_t(p.packed.size()));
        w.Raw(p.packed.data(), p.packed.size());
    }
    for (const InstrumentSpec& ins : spec.instruments) {
        size_t start = w.bytes.size();
        bool has_samples = !ins.samples.empty() || ins.sample_count_override > 0;
        uint32_t header_size = ins.header_size ? ins.header_size : (has_samples ? 263 : 29);
        w.U32(header_size);
        w.Text("instrument", 22);
        w.U8(0);
        w.U16(ins.sample_count_override >= 0 ? uint32_t(ins.sample_count_override)
                                             : uint32_t(ins.samples.size()));
        if (has_samples) {
            w.U32(40);
            w.Raw(ins.note_to_sample, 96);
            for (uint16_t v : ins.volume_envelope) w.U16(v);
            for (uint16_t v : ins.panning_envelope) w.U16(v);
            w.Raw(ins.fields, 14);
            w.U16(ins.fadeout);
        }
        // Pad (or cut) the header to its stated size; absurd sizes are only stated.
        if (header_size <= 4096) w.bytes.resize(start + header_size, 0);
        for (const SampleSpec& s : ins.samples) {
            w.U32(s.length);
            w.U32(s.loop_start);
            w.U32(s.loop_length);
            w.U8(s.volume);
            w.U8(uint8_t(s.finetune));
            w.U8(s.type);
            w.U8(s.panning);
            w.U8(uint8_t(s.relative_note));
            w.U8(0);
            w.Text("sample", 22);
        }
        for (const SampleSpec& s : ins.samples) w.Raw(s.data.data(), s.data.size());
    }
    return w.bytes;
}

// Delta encoding as the file stores sample data.
inline std::vector<uint8_t> Deltas8(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    int previous = 0;
    for (int v : values) {
        out.push_back(uint8_t(v - previous));
        previous = v;
    }
    return out;
}

inline std::vector<uint8_t> Deltas16(const std::vector<int16_t>& values)
{
    std::vector<uint8_t> out;
    uint16_t previous = 0;
    for (int16_t v : values) {
        uint16_t d = uint16_t(uint16_t(v) - previous);
        out.push_back(uint8_t(d));
        out.push_back(uint8_t(d >> 8));
        previous = uint16_t(v);
    }
    return out;
}

// An 8-bit sample of `frames` frames whose decoded frame k is (k * 7) mod 256, as int8.
inline SampleSpec Ramp8(uint32_t frames)
{
    SampleSpec s;
    s.length = frames;
    uint8_t previous = 0;
    for (uint32_t k = 0; k < frames; k++) {
        uint8_t v = uint8_t(k * 7);
        s.data.push_back(uint8_t(v - previous));
        previous = v;
    }
    return s;
}

inline int16_t Ramp8Frame(uint32_t k) { return int16_t(uint16_t(uint8_t(k * 7)) << 8); }

// Loads bytes through the buffer source.
inline Song* LoadBytes(const std::vector<uint8_t>& bytes, SampleLoader loader = nullptr)
{
    RegisterBufferSource();
    MemoryBuffer buffer{bytes.data(), int32_t(bytes.size())};
    return LoadSong(&buffer, loader);
}

}  // namespace xm
