// Loading a module held in memory or in a file: the bytes go through the buffer source, the
// same stream layer and loader the intro's memory source feeds.
#include <cstdio>
#include <vector>

#include "player/player.h"
#include "player/source.h"

Song* LoadModuleFromBytes(const uint8_t* bytes, size_t size, LoadReport* report)
{
    if (report != nullptr) *report = LoadReport{};
    // The stream layer counts in 32 bits; no XM module comes near that size.
    if (size > static_cast<size_t>(INT32_MAX)) return nullptr;
    RegisterBufferSource();
    MemoryBuffer buffer{bytes, static_cast<int32_t>(size)};
    return LoadSongReporting(&buffer, nullptr, report);
}

Song* LoadModuleFromFile(const char* path, LoadReport* report)
{
    if (report != nullptr) *report = LoadReport{};
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        if (bytes.size() + got > static_cast<size_t>(INT32_MAX)) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool complete = std::feof(file) != 0 && std::ferror(file) == 0;
    std::fclose(file);
    if (!complete) return nullptr;
    return LoadModuleFromBytes(bytes.data(), bytes.size(), report);
}
