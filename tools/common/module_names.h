// The instrument and sample names of an XM module, where trackers leave their messages, found
// by walking the file the way the player's loader walks it (so a damaged module shows what the
// loader would read there). Names are shown as ModuleTitle shows the title: printable ASCII,
// anything else as '?'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PartName {
    int32_t instrument;  // from 1, as trackers show them
    int32_t sample;      // from 1; 0: the instrument's own name
    std::string name;    // never empty
};

// The non-empty names in the module's order: each instrument's, then its samples'. Whatever
// lies beyond the end of the file has no name.
std::vector<PartName> InstrumentAndSampleNames(const std::vector<uint8_t>& bytes);
