// Turns the loader's records into sentences.
#include "tools/common/load_warning_text.h"

namespace {

std::string N(int64_t value) { return GroupedNumber(value); }

std::string Plural(int64_t count, const char* one, const char* many)
{
    return N(count) + " " + (count == 1 ? one : many);
}

std::string Range(const char* one, const char* many, int64_t first, int64_t last)
{
    if (first == last) return std::string(one) + " " + N(first);
    return std::string(many) + " " + N(first) + " to " + N(last);
}

std::string Sample(const LoadWarning& w)
{
    return "instrument " + N(w.subject) + " sample " + N(w.detail);
}

std::string Text(const LoadWarning& w)
{
    switch (w.kind) {
    case LOAD_HEADER_CUT:
        return "the file ends inside the song header (" + Plural(w.amount, "byte", "bytes") +
               " missing)";
    case LOAD_SONG_LENGTH_CUT: return "song length " + N(w.amount) + " cut to 256 orders";
    case LOAD_PATTERN_ROWS_CUT:
        return "pattern " + N(w.subject) + " cut to " + Plural(w.detail, "row", "rows") + " (of " +
               N(w.amount) + ")";
    case LOAD_PATTERN_DATA_CUT:
        return "pattern " + N(w.subject) + " cut: the file ends inside it";
    case LOAD_PATTERNS_MISSING:
        return Range("pattern", "patterns", w.subject, w.detail) +
               " missing: the file ends before (played as empty)";
    case LOAD_INSTRUMENTS_MISSING:
        return Range("instrument", "instruments", w.subject, w.detail) +
               " missing: the file ends before (silent)";
    case LOAD_INSTRUMENT_HEADER_CUT:
        return "instrument " + N(w.subject) + " cut: the file ends inside its headers";
    case LOAD_SAMPLE_DATA_CUT:
        return "sample data of " + Sample(w) + " cut by " + Plural(w.amount, "byte", "bytes");
    case LOAD_LOOP_CUT: return "loop of " + Sample(w) + " cut at the end of its data";
    case LOAD_LOOP_DROPPED: return "loop of " + Sample(w) + " dropped: it starts past its data";
    case LOAD_ENVELOPE_POINTS_CUT:
        return std::string(w.detail == 0 ? "volume" : "panning") + " envelope of instrument " +
               N(w.subject) + " cut from " + N(w.amount) + " to 12 points";
    case LOAD_TRAILING_BYTES:
        return "file ends " + Plural(w.amount, "byte", "bytes") + " after the last sample";
    case LOAD_REFUSED_NOT_XM: return "not an XM module (no \"Extended Module: \" at its start)";
    case LOAD_REFUSED_CHANNELS: return "unsupported: " + N(w.amount) + " channels (at most 32)";
    case LOAD_REFUSED_PATTERNS: return "unsupported: " + N(w.amount) + " patterns (at most 256)";
    case LOAD_REFUSED_INSTRUMENTS:
        return "unsupported: " + N(w.amount) + " instruments (at most 128)";
    case LOAD_REFUSED_ROWS:
        return "damaged: pattern " + N(w.subject) + " has " + N(w.amount) + " rows (at most 1,024)";
    case LOAD_REFUSED_SAMPLES:
        return "damaged: instrument " + N(w.subject) + " has " + N(w.amount) +
               " samples (at most 16)";
    case LOAD_REFUSED_NO_MEMORY: return "out of memory";
    }
    return "unknown loader report";
}

}  // namespace

std::string GroupedNumber(int64_t value)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return value < 0 ? "-" + grouped : grouped;
}

std::vector<std::string> LoadWarningTexts(const LoadReport& report)
{
    std::vector<std::string> texts;
    for (int32_t i = 0; i < report.count && i < MAX_LOAD_WARNINGS; ++i) {
        texts.push_back(Text(report.warnings[i]));
    }
    if (report.dropped > 0) texts.push_back("... and " + N(report.dropped) + " more");
    return texts;
}
