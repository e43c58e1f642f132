// A module file as the tools read it: refused early when it cannot be an XM module (too large,
// or without the 17-byte identification), before the whole file is read; then loaded through
// the player's LoadModuleFromBytes, the loader path the intro takes, with the loader's report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/player.h"

// No XM module comes near this; larger files are refused before they are read.
constexpr int64_t MAX_MODULE_BYTES = 256ll << 20;

// False with a one-line reason (without the path) when the file cannot be read or is no module.
bool ReadModuleFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason);
// Loads the bytes (which must outlive nothing: the song keeps no pointer into them); fills the
// report when given. None when the loader refuses the module.
Song* LoadModuleBytes(const std::vector<uint8_t>& bytes, LoadReport* report);
// The module's name and the tracker's name from the file header, trailing blanks removed and
// bytes outside printable ASCII shown as '?'.
std::string ModuleTitle(const std::vector<uint8_t>& bytes);
std::string TrackerName(const std::vector<uint8_t>& bytes);
// A name of `length` bytes at `offset` (up to its first zero byte) as ModuleTitle shows it;
// whatever lies beyond the file reads as nothing.
std::string PrintableName(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length);
