// Writes small XM modules in memory through the XM writer, field by field as the file format
// lays them out, so tests can load exactly the case they exercise. Every count written to the file
// comes from the records it describes unless an override is set, so tests can also write
// inconsistent files.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "assets/xm_writer.h"
#include "player/player.h"
#include "player/source.h"

namespace xm {

struct SampleRecipe {
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

struct InstrumentRecipe {
    std::vector<SampleRecipe> samples;
    int32_t sample_count_override = -1;  // written instead of samples.size() when >= 0
    uint32_t header_size = 0;            // 0: 263 with samples, 29 without
    uint8_t note_to_sample[96] = {};
    uint16_t volume_envelope[24] = {};  // 12 points of (position, value)
    uint16_t panning_envelope[24] = {};
    // volume/panning point counts, sustain and loop points, flags, vibrato (14 bytes).
    uint8_t fields[14] = {};
    uint16_t fadeout = 0;
};

struct PatternRecipe {
    uint16_t rows = 64;
    std::vector<uint8_t> packed;        // the pattern's packed cell bytes
    int32_t packed_size_override = -1;  // written instead of packed.size() when >= 0
};

struct ModuleRecipe {
    uint16_t song_length = 1;
    uint16_t restart_position = 0;
    uint16_t channel_count = 4;
    uint16_t flags = 1;
    uint16_t speed = 6;
    uint16_t bpm = 125;
    std::vector<uint8_t> orders = {0};
    std::vector<PatternRecipe> patterns;
    std::vector<InstrumentRecipe> instruments;
    int32_t pattern_count_override = -1;
    int32_t instrument_count_override = -1;
};

inline std::vector<uint8_t> Build(const ModuleRecipe& recipe)
{
    std::vector<uint8_t> out;
    XmSongHeader header;
    header.title = "test module";
    header.tracker = "builder";
    header.song_length = recipe.song_length;
    header.restart_position = recipe.restart_position;
    header.channel_count = recipe.channel_count;
    header.pattern_count =
        uint16_t(recipe.pattern_count_override >= 0 ? recipe.pattern_count_override
                                                  : int32_t(recipe.patterns.size()));
    header.instrument_count =
        uint16_t(recipe.instrument_count_override >= 0 ? recipe.instrument_count_override
                                                     : int32_t(recipe.instruments.size()));
    header.flags = recipe.flags;
    header.speed = recipe.speed;
    header.bpm = recipe.bpm;
    for (size_t i = 0; i < recipe.orders.size() && i < 256; i++) header.orders[i] = recipe.orders[i];
    PutXmSongHeader(out, header);
    for (const PatternRecipe& p : recipe.patterns) {
        PutXmPatternHeader(out, p.rows,
                           uint16_t(p.packed_size_override >= 0 ? p.packed_size_override
                                                                : int32_t(p.packed.size())));
        out.insert(out.end(), p.packed.begin(), p.packed.end());
    }
    for (const InstrumentRecipe& ins : recipe.instruments) {
        XmInstrumentHeader instrument;
        instrument.with_samples = !ins.samples.empty() || ins.sample_count_override > 0;
        instrument.header_size =
            ins.header_size ? ins.header_size
                            : uint32_t(instrument.with_samples ? XM_INSTRUMENT_HEADER_SIZE
                                                               : XM_EMPTY_INSTRUMENT_HEADER_SIZE);
        instrument.name = "instrument";
        instrument.sample_count =
            uint16_t(ins.sample_count_override >= 0 ? ins.sample_count_override
                                                    : int32_t(ins.samples.size()));
        std::memcpy(instrument.note_to_sample, ins.note_to_sample, 96);
        std::memcpy(instrument.volume_envelope, ins.volume_envelope, sizeof(ins.volume_envelope));
        std::memcpy(instrument.panning_envelope, ins.panning_envelope,
                    sizeof(ins.panning_envelope));
        uint8_t* fields[14] = {&instrument.volume_points,      &instrument.panning_points,
                               &instrument.volume_sustain,     &instrument.volume_loop_start,
                               &instrument.volume_loop_end,    &instrument.panning_sustain,
                               &instrument.panning_loop_start, &instrument.panning_loop_end,
                               &instrument.volume_type,        &instrument.panning_type,
                               &instrument.vibrato_type,       &instrument.vibrato_sweep,
                               &instrument.vibrato_depth,      &instrument.vibrato_rate};
        for (int i = 0; i < 14; i++) *fields[i] = ins.fields[i];
        instrument.fadeout = ins.fadeout;
        PutXmInstrumentHeader(out, instrument);
        for (const SampleRecipe& s : ins.samples) {
            XmSampleHeader sample;
            sample.length = s.length;
            sample.loop_start = s.loop_start;
            sample.loop_length = s.loop_length;
            sample.volume = s.volume;
            sample.finetune = s.finetune;
            sample.type = s.type;
            sample.panning = s.panning;
            sample.relative_note = s.relative_note;
            sample.name = "sample";
            PutXmSampleHeader(out, sample);
        }
        for (const SampleRecipe& s : ins.samples) out.insert(out.end(), s.data.begin(), s.data.end());
    }
    return out;
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
inline SampleRecipe Ramp8(uint32_t frames)
{
    SampleRecipe s;
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
