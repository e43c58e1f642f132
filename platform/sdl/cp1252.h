// Windows-1252 text to UTF-8, for showing the system's texts (written for code page 1252)
// through SDL, which takes UTF-8.
#pragma once

#include <cstdint>
#include <string>

// The code points of bytes 0x80..0x9F; the five bytes without a character become U+FFFD.
inline const uint16_t CP1252_HIGH_CONTROLS[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

inline std::string Cp1252ToUtf8(const char* text)
{
    std::string out;
    if (text == nullptr) return out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        uint32_t code = *p;
        if (code >= 0x80 && code < 0xA0) code = CP1252_HIGH_CONTROLS[code - 0x80];
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
    return out;
}
