// The loaded module and its playback state: the records the loader fills and the sequencer,
// the voice update and the mixer read (Song, Pattern, NoteCell, Instrument, Sample,
// EnvelopePoint), their limits and the two callback types a song carries.
#pragma once

#include <cstdint>

constexpr int MAX_INSTRUMENT_SAMPLES = 16;
// An envelope uses at most 12 of its 20 slots: the file stores 12 points, and counts beyond
// that are not valid module data.
constexpr uint8_t MAX_ENVELOPE_POINTS = 12;
// Notes a cell can hold: 1..NOTE_COUNT; a channel keeps them as 0..NOTE_COUNT - 1, the index
// into note_to_sample.
constexpr int32_t NOTE_COUNT = 96;
constexpr uint8_t NOTE_KEY_OFF = 255;
constexpr uint8_t LOOP_NONE = 1;
constexpr uint8_t LOOP_FORWARD = 2;
constexpr uint8_t LOOP_PING_PONG = 4;
constexpr uint8_t DEFAULT_GLOBAL_VOLUME = 64;
// Songs with more channels are refused: the channel table and the voice pairing hold 32.
constexpr int MAX_CHANNELS = 32;
// Entries of the order table.
constexpr int32_t MAX_ORDERS = 256;
// A pattern the module lacks (named by the order table but not stored) plays as this many
// empty rows.
constexpr int32_t EMPTY_PATTERN_ROWS = 64;

// The effect column's commands by number: 0x0..0xF as trackers show them, the letters G..X as
// 16 + their place after G (G = 16, H = 17, K = 20, ..., X = 33).
enum EffectNumber : uint8_t {
    EFFECT_ARPEGGIO = 0x0,                      // 0xy
    EFFECT_PORTAMENTO_UP = 0x1,                 // 1xx
    EFFECT_PORTAMENTO_DOWN = 0x2,               // 2xx
    EFFECT_TONE_PORTAMENTO = 0x3,               // 3xx
    EFFECT_VIBRATO = 0x4,                       // 4xy
    EFFECT_TONE_PORTAMENTO_VOLUME_SLIDE = 0x5,  // 5xy
    EFFECT_VIBRATO_VOLUME_SLIDE = 0x6,          // 6xy
    EFFECT_TREMOLO = 0x7,                       // 7xy
    EFFECT_SET_PANNING = 0x8,                   // 8xx
    EFFECT_SAMPLE_OFFSET = 0x9,                 // 9xx
    EFFECT_VOLUME_SLIDE = 0xA,                  // Axy
    EFFECT_POSITION_JUMP = 0xB,                 // Bxx
    EFFECT_SET_VOLUME = 0xC,                    // Cxx
    EFFECT_PATTERN_BREAK = 0xD,                 // Dxx
    EFFECT_EXTENDED = 0xE,                      // Exy
    EFFECT_SET_SPEED = 0xF,                     // Fxx
    EFFECT_SET_GLOBAL_VOLUME = 16,              // Gxx
    EFFECT_GLOBAL_VOLUME_SLIDE = 17,            // Hxy
    EFFECT_KEY_OFF = 20,                        // Kxx
    EFFECT_SET_ENVELOPE_POSITION = 21,          // Lxx
    EFFECT_PANNING_SLIDE = 25,                  // Pxy
    EFFECT_MULTI_RETRIGGER = 27,                // Rxy
    EFFECT_TREMOR = 29,                         // Txy
    EFFECT_EXTRA_FINE_PORTAMENTO = 33,          // X1y, X2y
};

struct Song;

// Supplies a sample's raw, already decoded data instead of the stream.
typedef void (*SampleLoader)(void* destination, int32_t byte_count, int32_t bits,
                             int32_t instrument_index, int32_t sample_index);
typedef void (*TickHandler)(Song* song);

#pragma pack(push, 1)
struct NoteCell {
    uint8_t note;        // 0 none, 1..96 notes, NOTE_KEY_OFF
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume_column;
    uint8_t effect;
    uint8_t parameter;
};
#pragma pack(pop)
static_assert(sizeof(NoteCell) == 5, "a cell is 5 bytes");

struct Pattern {
    int32_t rows;
    NoteCell* cells;  // rows x channel_count, row-major
};

struct EnvelopePoint {
    uint16_t position;  // ticks
    uint16_t value;
};

struct Sample {
    int16_t* data;         // length frames + slack (see the loader), none when length is 0
    uint32_t length;       // frames
    uint32_t loop_start;   // frames
    uint32_t loop_length;  // frames, never 0 after loading
    uint8_t volume;        // 0..64
    int8_t finetune;
    uint32_t panning;   // 0..255
    uint8_t bits;       // 16 after loading
    uint8_t loop_type;  // LOOP_NONE, LOOP_FORWARD or LOOP_PING_PONG
    int8_t relative_note;
};

struct Instrument {
    int32_t sample_count;
    Sample* samples[MAX_INSTRUMENT_SAMPLES];  // slots beyond sample_count: &silent_sample
    uint8_t note_to_sample[NOTE_COUNT];
    EnvelopePoint volume_envelope[20];
    EnvelopePoint panning_envelope[20];
    uint8_t volume_point_count;
    uint8_t panning_point_count;
    uint8_t volume_sustain_point;
    uint8_t volume_loop_start;
    uint8_t volume_loop_end;
    uint8_t panning_sustain_point;
    uint8_t panning_loop_start;
    uint8_t panning_loop_end;
    uint8_t volume_envelope_flags;  // bit 0 on, bit 1 sustain, bit 2 loop
    uint8_t panning_envelope_flags;
    uint8_t vibrato_type;
    uint8_t vibrato_sweep;
    uint8_t vibrato_depth;
    uint8_t vibrato_rate;
    uint16_t fadeout;  // the file's fadeout x 2, kept to 16 bits
};

struct Song {
    Pattern* patterns;
    Instrument* instruments;
    int32_t samples_to_next_tick;
    int32_t samples_per_tick;
    int16_t song_length;
    int16_t restart_position;
    int16_t channel_count;
    int32_t used_pattern_count;
    int32_t pattern_count;
    int16_t instrument_count;
    uint16_t song_flags;  // bit 0: linear frequency table
    int16_t default_speed;
    int16_t default_bpm;
    uint8_t order_table[MAX_ORDERS];
    uint8_t default_global_volume;
    int32_t global_volume;
    uint8_t global_volume_slide_memory;
    int32_t tick;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t order;
    int32_t pattern_delay_ticks;
    int32_t next_row;
    int32_t next_order;
    int32_t elapsed_ms;
    TickHandler tick_handler;
    SampleLoader sample_loader;
};
