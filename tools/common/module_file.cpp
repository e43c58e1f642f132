// Reading and loading a module file for the tools.
#include "tools/common/module_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "player/player.h"

namespace {

std::string SizeText(int64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

}  // namespace

bool ReadModuleFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason)
{
    bytes->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *reason = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fileno(file), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            std::fclose(file);
            *reason = "is a folder";
            return false;
        }
        if (S_ISREG(info.st_mode) && info.st_size > MAX_MODULE_BYTES) {
            std::fclose(file);
            *reason = "too large for an XM module (" + SizeText(info.st_size) + "; at most " +
                      SizeText(MAX_MODULE_BYTES) + ")";
            return false;
        }
        if (S_ISREG(info.st_mode)) bytes->reserve(static_cast<size_t>(info.st_size));
    }
    uint8_t id[XM_ID_LENGTH];
    size_t got = std::fread(id, 1, XM_ID_LENGTH, file);
    if (got != XM_ID_LENGTH || std::memcmp(id, XM_ID, XM_ID_LENGTH) != 0) {
        bool failed = std::ferror(file) != 0;
        std::fclose(file);
        *reason = failed ? std::string("cannot read: ") + std::strerror(errno)
                         : "not an XM module (no \"Extended Module: \" at its start)";
        return false;
    }
    bytes->assign(id, id + XM_ID_LENGTH);
    uint8_t chunk[65536];
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        // Streams (a FIFO) have no size to check in advance.
        if (static_cast<int64_t>(bytes->size() + got) > MAX_MODULE_BYTES) {
            std::fclose(file);
            bytes->clear();
            *reason = "too large for an XM module (more than " + SizeText(MAX_MODULE_BYTES) + ")";
            return false;
        }
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *reason = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    return true;
}

Song* LoadModuleBytes(const std::vector<uint8_t>& bytes, LoadReport* report)
{
    return LoadModuleFromBytes(bytes.data(), bytes.size(), report);
}

std::string PrintableName(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length)
{
    std::string text;
    for (uint64_t i = offset; i < offset + length && i < bytes.size(); ++i) {
        uint8_t c = bytes[i];
        if (c == 0) break;
        text += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string ModuleTitle(const std::vector<uint8_t>& bytes)
{
    return PrintableName(bytes, XM_TITLE_OFFSET, XM_NAME_LENGTH);
}

std::string TrackerName(const std::vector<uint8_t>& bytes)
{
    return PrintableName(bytes, XM_TRACKER_OFFSET, XM_NAME_LENGTH);
}
