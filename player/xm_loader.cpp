// The XM loader: reads an "Extended Module" through the stream layer and converts it into the
// forms the sequencer and the mixer work on (5-byte cells, key-off as 255, delta-decoded
// 16-bit frames, normalised loops with a guard frame).
//
// Any file is accepted as input, however malformed. What keeps that safe:
// - bytes the file does not hold read as zero (a truncated field, cell or sample is zero);
// - every count is bounded before anything is allocated from it: at most 32 channels, 256
//   patterns of at most 1024 rows, 128 instruments of at most 16 samples (more: refused);
//   song_length is cut to the 256 entries of the order table;
// - a packed pattern needs at least one file byte per cell, so when fewer bytes remain than
//   rows x channels, its rows are cut to what the remaining bytes can back (at least one);
// - a sample's data is cut to the bytes the file still holds, and its loop is then fitted to
//   the shortened length, so no sample allocation is larger than the file;
// - a loop whose guard frame would lie beyond the slack is fitted to the data.
// Each of these cuts, and the reason for a refusal, goes to the caller's LoadReport when it
// hands one over; the report changes nothing of what is loaded.
#include "player/xm_loader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "player/load_report.h"
#include "player/placeholders.h"
#include "player/sample_data.h"
#include "player/sequencer.h"
#include "player/xm_format.h"

namespace {

constexpr int32_t MAX_PATTERNS = 256;
constexpr int32_t MAX_PATTERN_ROWS = 1024;
constexpr int32_t MAX_INSTRUMENTS = 128;
constexpr uint8_t HIGHEST_INSTRUMENT = 128;
constexpr uint8_t ENVELOPE_LOOP = 0x04;
// The guard frame may lie in the slack, but no further than this past the last frame.
constexpr uint32_t GUARD_REACH = 7;

struct Reader {
    SourceStream* stream;
    int64_t size;          // bytes in the whole source
    LoadReport* report;    // none: nothing is reported
    int64_t* short_bytes;  // bytes asked for that the source did not deliver, so far
};

void Report(const Reader& reader, LoadWarningKind kind, int32_t subject, int32_t detail = 0,
            int64_t amount = 0)
{
    AddLoadWarning(reader.report, kind, subject, detail, amount);
}

void CountShortRead(const Reader& reader, int32_t asked, int32_t got)
{
    if (got < asked) *reader.short_bytes += asked - (got > 0 ? got : 0);
}

int64_t SourceSize(SourceStream* stream)
{
    StreamSeek(stream, 0, 2);
    int64_t size = StreamTell(stream);
    StreamSeek(stream, 0, 0);
    return size > 0 ? size : 0;
}

int64_t Tell(const Reader& reader) { return StreamTell(reader.stream); }

int64_t Remaining(const Reader& reader)
{
    int64_t left = reader.size - Tell(reader);
    return left > 0 ? left : 0;
}

void SeekTo(const Reader& reader, int64_t position)
{
    position = std::clamp<int64_t>(position, 0, INT32_MAX);
    StreamSeek(reader.stream, static_cast<int32_t>(position), 0);
}

void Skip(const Reader& reader, int64_t count) { SeekTo(reader, Tell(reader) + count); }

// Reads count bytes; whatever the source does not deliver reads as zero.
void ReadBytes(const Reader& reader, void* destination, int32_t count)
{
    memset(destination, 0, static_cast<size_t>(count));
    CountShortRead(reader, count, StreamRead(destination, count, reader.stream));
}

uint8_t ReadU8(const Reader& reader)
{
    uint8_t value = 0;
    CountShortRead(reader, 1, StreamRead(&value, 1, reader.stream));
    return value;
}

uint16_t ReadU16(const Reader& reader)
{
    uint8_t b[2];
    ReadBytes(reader, b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t ReadU32(const Reader& reader)
{
    uint8_t b[4];
    ReadBytes(reader, b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

template <typename T>
T* AllocateZeroed(size_t count)
{
    return static_cast<T*>(calloc(count > 0 ? count : 1, sizeof(T)));
}

// The fixed header at offset 60. Returns false for counts this player cannot hold.
bool ReadSongHeader(Song* song, const Reader& reader, int32_t* file_pattern_count,
                    int32_t* file_instrument_count)
{
    SeekTo(reader, XM_HEADER_SIZE_OFFSET);
    uint32_t header_size = ReadU32(reader);
    uint16_t song_length = ReadU16(reader);
    uint16_t restart_position = ReadU16(reader);
    uint16_t channel_count = ReadU16(reader);
    uint16_t pattern_count = ReadU16(reader);
    uint16_t instrument_count = ReadU16(reader);
    song->song_flags = ReadU16(reader);
    song->default_speed = static_cast<int16_t>(ReadU16(reader));
    song->default_bpm = static_cast<int16_t>(ReadU16(reader));
    ReadBytes(reader, song->order_table, MAX_ORDERS);

    // Orders beyond the table do not exist; a restart position at or past the song length
    // plays as order 0, so capping it at 256 keeps its meaning and keeps it non-negative.
    song->song_length = static_cast<int16_t>(std::min<int32_t>(song_length, MAX_ORDERS));
    song->restart_position = static_cast<int16_t>(std::min<int32_t>(restart_position, MAX_ORDERS));
    if (channel_count > MAX_CHANNELS) Report(reader, LOAD_REFUSED_CHANNELS, 0, 0, channel_count);
    if (pattern_count > MAX_PATTERNS) Report(reader, LOAD_REFUSED_PATTERNS, 0, 0, pattern_count);
    if (instrument_count > MAX_INSTRUMENTS) {
        Report(reader, LOAD_REFUSED_INSTRUMENTS, 0, 0, instrument_count);
    }
    if (channel_count > MAX_CHANNELS || pattern_count > MAX_PATTERNS ||
        instrument_count > MAX_INSTRUMENTS) {
        return false;
    }
    if (reader.size < XM_SONG_HEADER_BYTES) {
        Report(reader, LOAD_HEADER_CUT, 0, 0, XM_SONG_HEADER_BYTES - reader.size);
    }
    if (song_length > MAX_ORDERS) Report(reader, LOAD_SONG_LENGTH_CUT, 0, 0, song_length);
    song->channel_count = static_cast<int16_t>(channel_count);
    *file_pattern_count = pattern_count;
    *file_instrument_count = instrument_count;
    SeekTo(reader, static_cast<int64_t>(XM_HEADER_SIZE_OFFSET) + header_size);
    return true;
}

void DecodeCell(const Reader& reader, NoteCell* cell)
{
    uint8_t b = ReadU8(reader);
    if (b & 0x80) {
        if (b & 0x01) cell->note = ReadU8(reader);
        if (b & 0x02) cell->instrument = ReadU8(reader);
        if (b & 0x04) cell->volume_column = ReadU8(reader);
        if (b & 0x08) cell->effect = ReadU8(reader);
        if (b & 0x10) cell->parameter = ReadU8(reader);
    } else {
        uint8_t rest[4];
        ReadBytes(reader, rest, 4);
        cell->note = b;
        cell->instrument = rest[0];
        cell->volume_column = rest[1];
        cell->effect = rest[2];
        cell->parameter = rest[3];
    }
    if (cell->note == XM_KEY_OFF) cell->note = NOTE_KEY_OFF;
    if (cell->instrument > HIGHEST_INSTRUMENT) cell->instrument = 0;
}

// Every pattern gets cells for at least one row and one channel, so that row 0, channel 0
// exists even in a pattern of 0 rows or a song of 0 channels.
NoteCell* AllocateCells(int32_t rows, int32_t channels)
{
    return AllocateZeroed<NoteCell>(static_cast<size_t>(std::max(rows, 1)) *
                                    static_cast<size_t>(std::max(channels, 1)));
}

bool ReadPatterns(Song* song, const Reader& reader, int32_t file_pattern_count)
{
    int32_t used = 0;
    for (int32_t i = 0; i < song->song_length; i++) {
        if (song->order_table[i] >= used) used = song->order_table[i] + 1;
    }
    song->used_pattern_count = used;
    int32_t count = std::max(file_pattern_count, used);
    song->patterns = AllocateZeroed<Pattern>(static_cast<size_t>(count));
    if (!song->patterns) return false;
    song->pattern_count = count;

    const int32_t channels = song->channel_count;
    bool file_ended = false;
    for (int32_t p = 0; p < file_pattern_count; p++) {
        Pattern* pattern = &song->patterns[p];
        if (!file_ended && Remaining(reader) == 0) {
            Report(reader, LOAD_PATTERNS_MISSING, p, file_pattern_count - 1);
            file_ended = true;
        }
        int64_t short_before = *reader.short_bytes;
        ReadU32(reader);  // header length: the header is taken to be these 9 bytes
        ReadU8(reader);   // packing type
        int32_t rows = ReadU16(reader);
        uint16_t packed_size = ReadU16(reader);
        if (rows > MAX_PATTERN_ROWS) {
            Report(reader, LOAD_REFUSED_ROWS, p, 0, rows);
            return false;
        }
        bool rows_cut = false;
        if (packed_size != 0 && channels > 0) {
            int64_t remaining = Remaining(reader);
            if (static_cast<int64_t>(rows) * channels > remaining) {
                int32_t kept = static_cast<int32_t>(std::max<int64_t>(1, remaining / channels));
                Report(reader, LOAD_PATTERN_ROWS_CUT, p, kept, rows);
                rows_cut = true;
                rows = kept;
            }
        }
        pattern->cells = AllocateCells(rows, channels);
        if (!pattern->cells) {
            Report(reader, LOAD_REFUSED_NO_MEMORY, p);
            return false;
        }
        pattern->rows = rows;
        if (packed_size != 0) {
            for (int32_t c = 0; c < rows * channels; c++) DecodeCell(reader, &pattern->cells[c]);
        }
        // The file ends inside this pattern's header or cells.
        if (!rows_cut && !file_ended && *reader.short_bytes > short_before) {
            Report(reader, LOAD_PATTERN_DATA_CUT, p);
        }
    }
    for (int32_t p = file_pattern_count; p < count; p++) {
        song->patterns[p].cells = AllocateCells(EMPTY_PATTERN_ROWS, channels);
        if (!song->patterns[p].cells) {
            Report(reader, LOAD_REFUSED_NO_MEMORY, p);
            return false;
        }
        song->patterns[p].rows = EMPTY_PATTERN_ROWS;
    }
    return true;
}

void ReadEnvelope(const Reader& reader, EnvelopePoint* points)
{
    for (int32_t k = 0; k < MAX_ENVELOPE_POINTS; k++) {
        points[k].position = ReadU16(reader);
        points[k].value = ReadU16(reader);
    }
}

void FitEnvelope(const Reader& reader, int32_t instrument_index, int32_t which,
                 uint8_t* point_count, uint8_t loop_start, uint8_t* flags)
{
    if (*point_count > MAX_ENVELOPE_POINTS) {
        Report(reader, LOAD_ENVELOPE_POINTS_CUT, instrument_index + 1, which, *point_count);
        *point_count = MAX_ENVELOPE_POINTS;
    }
    if (*point_count < 2) *flags = 0;
    if (loop_start >= *point_count) *flags &= static_cast<uint8_t>(~ENVELOPE_LOOP);
}

// The instrument fields after the sample count, up to the fadeout.
void ReadInstrumentBody(const Reader& reader, Instrument* instrument, int32_t index)
{
    ReadU32(reader);  // sample header size: each sample header is taken to be 40 bytes
    ReadBytes(reader, instrument->note_to_sample, sizeof(instrument->note_to_sample));
    ReadEnvelope(reader, instrument->volume_envelope);
    ReadEnvelope(reader, instrument->panning_envelope);
    uint8_t* fields[] = {
        &instrument->volume_point_count,    &instrument->panning_point_count,
        &instrument->volume_sustain_point,  &instrument->volume_loop_start,
        &instrument->volume_loop_end,       &instrument->panning_sustain_point,
        &instrument->panning_loop_start,    &instrument->panning_loop_end,
        &instrument->volume_envelope_flags, &instrument->panning_envelope_flags,
        &instrument->vibrato_type,          &instrument->vibrato_sweep,
        &instrument->vibrato_depth,         &instrument->vibrato_rate,
    };
    for (uint8_t* field : fields) *field = ReadU8(reader);
    instrument->fadeout = static_cast<uint16_t>(ReadU16(reader) * 2);
    FitEnvelope(reader, index, 0, &instrument->volume_point_count, instrument->volume_loop_start,
                &instrument->volume_envelope_flags);
    FitEnvelope(reader, index, 1, &instrument->panning_point_count, instrument->panning_loop_start,
                &instrument->panning_envelope_flags);
}

// A 40-byte sample header. Returns whether the file's data length is odd (16-bit samples
// then leave one byte unread after their data).
bool ReadSampleHeader(const Reader& reader, Sample* sample)
{
    uint32_t length = ReadU32(reader);
    uint32_t loop_start = ReadU32(reader);
    uint32_t loop_length = ReadU32(reader);
    sample->volume = ReadU8(reader);
    sample->finetune = static_cast<int8_t>(ReadU8(reader));
    uint8_t type = ReadU8(reader);
    sample->panning = ReadU8(reader);
    sample->relative_note = static_cast<int8_t>(ReadU8(reader));
    Skip(reader, 23);  // reserved byte and name

    uint8_t loop_type = LOOP_NONE;
    if (type & 0x01) loop_type = LOOP_FORWARD;
    if (type & 0x02) loop_type = LOOP_PING_PONG;
    sample->bits = (type & 0x10) ? 16 : 8;
    if (loop_type == LOOP_NONE) {
        loop_start = 0;
        loop_length = length;
    }
    bool odd_bytes = false;
    if (sample->bits == 16) {
        odd_bytes = (length & 1) != 0;
        length >>= 1;
        loop_start >>= 1;
        loop_length >>= 1;
    }
    if (loop_length == 0) {
        loop_start = 0;
        loop_length = length;
        loop_type = LOOP_NONE;
    }
    sample->length = length;
    sample->loop_start = loop_start;
    sample->loop_length = loop_length;
    sample->loop_type = loop_type;
    return odd_bytes;
}

// Keeps the guard frame inside the slack: a loop reaching further is cut at the data's end,
// or dropped when it starts at or past the end. A sample without data never loops.
void FitLoop(Sample* sample)
{
    if (sample->loop_type == LOOP_NONE) {
        sample->loop_start = 0;
        sample->loop_length = sample->length;
        return;
    }
    uint64_t guard = static_cast<uint64_t>(sample->loop_start) + sample->loop_length;
    if (sample->length > 0 && guard <= static_cast<uint64_t>(sample->length) + GUARD_REACH) return;
    if (sample->loop_start < sample->length) {
        sample->loop_length = sample->length - sample->loop_start;
    } else {
        sample->loop_type = LOOP_NONE;
        sample->loop_start = 0;
        sample->loop_length = sample->length;
    }
}

void WriteGuardFrame(Sample* sample)
{
    uint32_t guard = sample->loop_start + sample->loop_length;
    if (sample->loop_type == LOOP_PING_PONG) sample->data[guard] = sample->data[guard - 1];
    if (sample->loop_type == LOOP_FORWARD) sample->data[guard] = sample->data[sample->loop_start];
}

// The raw bytes sit at the start of the frame buffer; widen them in place, last frame first.
void WidenFrom8Bit(int16_t* data, uint32_t length)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
    for (uint32_t k = length; k-- > 0;) {
        data[k] = static_cast<int16_t>(static_cast<uint16_t>(bytes[k]) << 8);
    }
}

void FramesFromLittleEndian(int16_t* data, uint32_t length)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data);
    for (uint32_t k = 0; k < length; k++) {
        data[k] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8));
    }
}

void DecodeDeltas(int16_t* data, uint32_t length)
{
    uint16_t sum = 0;
    for (uint32_t k = 0; k < length; k++) {
        sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(data[k]));
        data[k] = static_cast<int16_t>(sum);
    }
}

void ReadSampleData(Song* song, const Reader& reader, Sample* sample, bool odd_bytes,
                    int32_t instrument_index, int32_t sample_index)
{
    const uint32_t bytes_per_frame = sample->bits / 8;
    bool data_cut = false;
    if (sample->length > 0) {
        int64_t available_frames = Remaining(reader) / bytes_per_frame;
        if (static_cast<int64_t>(sample->length) > available_frames) {
            int64_t missing =
                (static_cast<int64_t>(sample->length) - available_frames) * bytes_per_frame;
            Report(reader, LOAD_SAMPLE_DATA_CUT, instrument_index + 1, sample_index + 1, missing);
            data_cut = true;
            sample->length = static_cast<uint32_t>(available_frames);
        }
    }
    const uint8_t loop_type = sample->loop_type;
    const uint32_t loop_length = sample->loop_length;
    FitLoop(sample);
    // A loop fitted to data the file cut short is part of that cut; a sample without data
    // has nothing to loop over.
    if (!data_cut && loop_type != LOOP_NONE && sample->length > 0) {
        if (sample->loop_type == LOOP_NONE) {
            Report(reader, LOAD_LOOP_DROPPED, instrument_index + 1, sample_index + 1);
        } else if (sample->loop_length != loop_length) {
            Report(reader, LOAD_LOOP_CUT, instrument_index + 1, sample_index + 1);
        }
    }
    if (sample->length == 0) {
        if (odd_bytes) Skip(reader, 1);
        return;
    }
    int32_t byte_count = static_cast<int32_t>(sample->length * bytes_per_frame);
    sample->data = AllocateSampleData(sample->length);
    if (!sample->data) {
        // Out of memory: keep the sample consistent as an empty one.
        Report(reader, LOAD_SAMPLE_DATA_CUT, instrument_index + 1, sample_index + 1, byte_count);
        sample->length = 0;
        FitLoop(sample);
        return;
    }
    if (song->sample_loader) {
        song->sample_loader(sample->data, byte_count, sample->bits, instrument_index, sample_index);
        Skip(reader, byte_count);
    } else {
        StreamRead(sample->data, byte_count, reader.stream);
    }
    if (odd_bytes) Skip(reader, 1);
    if (sample->bits == 8) {
        WidenFrom8Bit(sample->data, sample->length);
    } else {
        FramesFromLittleEndian(sample->data, sample->length);
    }
    sample->bits = 16;
    if (!song->sample_loader) DecodeDeltas(sample->data, sample->length);
    WriteGuardFrame(sample);
}

// Returns false for an instrument of more than 16 samples (nothing of it is kept then).
// file_ended: the file has ended before this instrument (already reported).
bool ReadInstrument(Song* song, const Reader& reader, int32_t index, bool file_ended)
{
    Instrument* instrument = &song->instruments[index];
    int64_t start = Tell(reader);
    int64_t short_before = *reader.short_bytes;
    uint32_t header_size = ReadU32(reader);
    Skip(reader, 23);  // name, type
    uint16_t sample_count = ReadU16(reader);
    if (sample_count > MAX_INSTRUMENT_SAMPLES) {
        Report(reader, LOAD_REFUSED_SAMPLES, index + 1, 0, sample_count);
        return false;
    }
    for (Sample*& slot : instrument->samples) slot = &silent_sample;
    if (sample_count == 0) {
        if (!file_ended && *reader.short_bytes > short_before) {
            Report(reader, LOAD_INSTRUMENT_HEADER_CUT, index + 1);
        }
        SeekTo(reader, start + header_size);
        return true;
    }
    ReadInstrumentBody(reader, instrument, index);
    SeekTo(reader, start + header_size);

    bool odd_bytes[MAX_INSTRUMENT_SAMPLES] = {};
    for (int32_t j = 0; j < sample_count; j++) {
        Sample* sample = AllocateZeroed<Sample>(1);
        if (!sample) {
            Report(reader, LOAD_REFUSED_NO_MEMORY, index + 1);
            return false;
        }
        instrument->samples[j] = sample;
        instrument->sample_count = j + 1;
        odd_bytes[j] = ReadSampleHeader(reader, sample);
    }
    // Headers read past the end of the file: what they hold came out as zeros.
    if (!file_ended && *reader.short_bytes > short_before) {
        Report(reader, LOAD_INSTRUMENT_HEADER_CUT, index + 1);
    }
    for (int32_t j = 0; j < sample_count; j++) {
        ReadSampleData(song, reader, instrument->samples[j], odd_bytes[j], index, j);
    }
    return true;
}

bool ReadInstruments(Song* song, const Reader& reader, int32_t count)
{
    song->instruments = AllocateZeroed<Instrument>(static_cast<size_t>(count));
    if (!song->instruments) {
        Report(reader, LOAD_REFUSED_NO_MEMORY, 0);
        return false;
    }
    song->instrument_count = static_cast<int16_t>(count);
    bool file_ended = false;
    for (int32_t i = 0; i < count; i++) {
        if (!file_ended && Remaining(reader) == 0) {
            Report(reader, LOAD_INSTRUMENTS_MISSING, i + 1, count);
            file_ended = true;
        }
        if (!ReadInstrument(song, reader, i, file_ended)) return false;
    }
    return true;
}

}  // namespace

bool ParseModule(Song* song, SourceStream* stream, LoadReport* report)
{
    if (!song || !stream) return false;
    int64_t short_bytes = 0;
    Reader reader{stream, SourceSize(stream), report, &short_bytes};
    char id[XM_ID_LENGTH];
    SeekTo(reader, 0);
    ReadBytes(reader, id, XM_ID_LENGTH);
    if (memcmp(id, XM_ID, XM_ID_LENGTH) != 0) {
        Report(reader, LOAD_REFUSED_NOT_XM, 0);
        return false;
    }
    short_bytes = 0;

    song->tick_handler = SequencerTick;
    song->default_global_volume = DEFAULT_GLOBAL_VOLUME;
    int32_t file_pattern_count = 0;
    int32_t instrument_count = 0;
    if (!ReadSongHeader(song, reader, &file_pattern_count, &instrument_count)) return false;
    if (!ReadPatterns(song, reader, file_pattern_count)) return false;
    if (!ReadInstruments(song, reader, instrument_count)) return false;
    if (Remaining(reader) > 0) Report(reader, LOAD_TRAILING_BYTES, 0, 0, Remaining(reader));
    return true;
}
