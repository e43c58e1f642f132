// The XM file's layout: its identification, where the song header's names lie, the sizes of
// the headers as FastTracker 2 writes them and the file's key-off note. Read by the loader and
// the tools; written by the one XM writer (assets/xm_writer.h).
#pragma once

#include <cstdint>

constexpr char XM_ID[] = "Extended Module: ";
constexpr int32_t XM_ID_LENGTH = 17;
constexpr int32_t XM_TITLE_OFFSET = 17;
constexpr int32_t XM_TRACKER_OFFSET = 38;
constexpr int32_t XM_NAME_LENGTH = 20;  // the title and the tracker's name
constexpr uint16_t XM_VERSION = 0x0104;
// The song header's size field lies here, and the size counts from here.
constexpr int32_t XM_HEADER_SIZE_OFFSET = 60;
constexpr int32_t XM_HEADER_SIZE = 276;
constexpr int32_t XM_ORDER_ENTRIES = 256;
// The song header: identification, names, version, the fixed fields and the order table. A
// file that ends inside it holds no song at all.
constexpr int32_t XM_SONG_HEADER_BYTES = 80 + XM_ORDER_ENTRIES;
constexpr int32_t XM_PATTERN_HEADER_SIZE = 9;
constexpr int32_t XM_INSTRUMENT_HEADER_SIZE = 263;       // with samples: their fields and 22
constexpr int32_t XM_EMPTY_INSTRUMENT_HEADER_SIZE = 29;  // without: the name and the count
constexpr int32_t XM_SAMPLE_HEADER_SIZE = 40;
constexpr int32_t XM_INSTRUMENT_NAME_LENGTH = 22;
constexpr int32_t XM_SAMPLE_NAME_LENGTH = 22;
constexpr uint8_t XM_KEY_OFF = 97;
