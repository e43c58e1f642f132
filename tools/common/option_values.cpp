// Parsing the tools' option values: strict, whole-text, with the reason for a refusal.
#include "tools/common/option_values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "player/player.h"

namespace {

constexpr double MAX_SECONDS = 24.0 * 3600.0;
constexpr int64_t MAX_CHANNEL = 32;

std::string Quoted(const char* text)
{
    std::string quoted(1, '\'');
    quoted += text;
    quoted += '\'';
    return quoted;
}

// A decimal number, the whole text.
bool ParseDecimal(const char* text, double* value)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(*value);
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

}  // namespace

bool ParseSeconds(const char* text, double* seconds, std::string* reason)
{
    return ParseSecondsUpTo(text, MAX_SECONDS, nullptr, seconds, reason);
}

bool ParseSecondsUpTo(const char* text, double most, const char* limit, double* seconds,
                      std::string* reason)
{
    double value = 0.0;
    if (!ParseDecimal(text, &value)) {
        *reason = Quoted(text) + " is not a number of seconds";
        return false;
    }
    if (value < 0.0 || value > most) {
        *reason = Quoted(text) + " is out of range (0 to " + Number(most) + " seconds" +
                  (limit != nullptr ? std::string(", ") + limit : std::string()) + ")";
        return false;
    }
    *seconds = value;
    return true;
}

bool ParseDecibels(const char* text, double low, double high, double* decibels,
                   std::string* reason)
{
    double value = 0.0;
    if (!ParseDecimal(text, &value)) {
        *reason = Quoted(text) + " is not a number of decibels";
        return false;
    }
    if (value < low || value > high) {
        *reason = Quoted(text) + " is out of range (" + Number(low) + " to " + Number(high) + " dB)";
        return false;
    }
    *decibels = value;
    return true;
}

bool ParseOutputGain(const char* text, double* decibels, std::string* reason)
{
    return ParseDecibels(text, MIN_OUTPUT_GAIN_DB, MAX_OUTPUT_GAIN_DB, decibels, reason);
}

bool ParseWholeNumber(const char* text, int64_t low, int64_t high, int64_t* value,
                      std::string* reason)
{
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0) {
        *reason = Quoted(text) + " is not a whole number";
        return false;
    }
    if (parsed < low || parsed > high) {
        *reason = Quoted(text) + " is out of range (" + std::to_string(low) + " to " +
                  std::to_string(high) + ")";
        return false;
    }
    *value = parsed;
    return true;
}

bool HasExtension(const std::string& name, const char* extension)
{
    const size_t length = std::strlen(extension);
    if (name.size() <= length) return false;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[name.size() - length + i]);
        if (std::tolower(c) != extension[i]) return false;
    }
    return true;
}

bool ParseChannelList(const char* text, uint32_t* channels, std::string* reason)
{
    const char* at = text;
    uint32_t chosen = 0;
    while (true) {
        char* end = nullptr;
        long first = std::strtol(at, &end, 10);
        if (end == at) break;
        long last = first;
        if (*end == '-') {
            const char* second = end + 1;
            last = std::strtol(second, &end, 10);
            if (end == second) break;
        }
        if (first > last) {
            *reason = Quoted(text) + ": the range " + std::to_string(first) + "-" +
                      std::to_string(last) + " is reversed (write " + std::to_string(last) + "-" +
                      std::to_string(first) + ")";
            return false;
        }
        if (first < 1 || last > MAX_CHANNEL) {
            *reason = Quoted(text) + ": channels are numbered from 1 to 32";
            return false;
        }
        for (long c = first; c <= last; ++c) chosen |= 1u << (c - 1);
        if (*end == '\0') {
            *channels |= chosen;
            return true;
        }
        if (*end != ',') break;
        at = end + 1;
    }
    *reason = Quoted(text) + " is not a list of channels such as 1,3,5-8";
    return false;
}
