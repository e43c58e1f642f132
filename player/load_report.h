// What the XM loader had to cut, drop or refuse in a damaged module, as plain records: the
// loader accepts any bytes and plays what the file can back, and a caller that wants to know
// what that was (the tools; the intro does not ask) hands it a LoadReport. The records hold
// numbers only; the texts are the caller's.
#pragma once

#include <cstdint>

enum LoadWarningKind {
    // The module loads, with these cuts. Patterns are numbered from 0, instruments and their
    // samples from 1, as trackers show them.
    LOAD_HEADER_CUT,             // amount: bytes of the 336-byte song header the file lacks
    LOAD_SONG_LENGTH_CUT,        // amount: the song length the header states (kept: 256)
    LOAD_PATTERN_ROWS_CUT,       // subject: pattern; detail: rows kept; amount: rows stated
    LOAD_PATTERN_DATA_CUT,       // subject: pattern: the file ends inside its cells
    LOAD_PATTERNS_MISSING,       // subject: first pattern, detail: last pattern (the file ends)
    LOAD_INSTRUMENTS_MISSING,    // subject: first instrument, detail: last instrument
    LOAD_INSTRUMENT_HEADER_CUT,  // subject: instrument: the file ends inside its headers
    LOAD_SAMPLE_DATA_CUT,        // subject: instrument, detail: sample; amount: bytes missing
    LOAD_LOOP_CUT,               // subject: instrument, detail: sample: loop ended at the data
    LOAD_LOOP_DROPPED,           // subject: instrument, detail: sample: loop starts past the data
    LOAD_ENVELOPE_POINTS_CUT,    // subject: instrument; detail: 0 volume, 1 panning; amount: points
    LOAD_TRAILING_BYTES,         // amount: bytes after the data of the last sample
    // The module is refused (always the last record).
    LOAD_REFUSED_NOT_XM,       // no "Extended Module: " at the start
    LOAD_REFUSED_CHANNELS,     // amount: channels stated
    LOAD_REFUSED_PATTERNS,     // amount: patterns stated
    LOAD_REFUSED_INSTRUMENTS,  // amount: instruments stated
    LOAD_REFUSED_ROWS,         // subject: pattern; amount: rows stated
    LOAD_REFUSED_SAMPLES,      // subject: instrument; amount: samples stated
    LOAD_REFUSED_NO_MEMORY,
};

struct LoadWarning {
    LoadWarningKind kind;
    int32_t subject;
    int32_t detail;
    int64_t amount;
};

constexpr int32_t MAX_LOAD_WARNINGS = 64;

struct LoadReport {
    int32_t count;    // records kept in warnings
    int32_t dropped;  // records beyond MAX_LOAD_WARNINGS, counted only
    bool refused;     // the last record says why the module was refused
    LoadWarning warnings[MAX_LOAD_WARNINGS];
};

// Adds a record; nothing when there is no report.
void AddLoadWarning(LoadReport* report, LoadWarningKind kind, int32_t subject, int32_t detail,
                    int64_t amount);
// True for the kinds that refuse the module.
bool IsRefusal(LoadWarningKind kind);
