// The values of the tools' command-line options: each parser takes the option's text and
// gives the value, or a reason that names what is wrong with it.
#pragma once

#include <cstdint>
#include <string>

// Seconds: a decimal number from 0 to 24 hours ("3", "2.5").
bool ParseSeconds(const char* text, double* seconds, std::string* reason);
// The same, up to `most` seconds; `limit` says in the refusal where that limit comes from
// ("the most a WAV file holds").
bool ParseSecondsUpTo(const char* text, double most, const char* limit, double* seconds,
                      std::string* reason);
// A gain in decibels: a decimal number from low to high ("-6", "3.5").
bool ParseDecibels(const char* text, double low, double high, double* decibels,
                   std::string* reason);
// The player's output gain in decibels (--gain), within what SetOutputGain takes.
bool ParseOutputGain(const char* text, double* decibels, std::string* reason);
// A whole number from low to high.
bool ParseWholeNumber(const char* text, int64_t low, int64_t high, int64_t* value,
                      std::string* reason);
// Whether a file name ends in `extension` (given in lower case, with its dot), in any case:
// the tools choose what they write by it.
bool HasExtension(const std::string& name, const char* extension);
// Channels counted from 1, as a list of numbers and ranges: "1,3,5-8". Sets their bits
// (bit c for channel c + 1) in `channels`.
bool ParseChannelList(const char* text, uint32_t* channels, std::string* reason);
