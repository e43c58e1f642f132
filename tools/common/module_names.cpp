// Walking an XM file from header to header, with every offset checked against the file's end.
#include "tools/common/module_names.h"

#include "player/player.h"
#include "tools/common/module_file.h"

namespace {

// As the loader takes them: a pattern header of XM_PATTERN_HEADER_SIZE bytes, whatever length
// it states; sample headers of XM_SAMPLE_HEADER_SIZE bytes, whatever size the instrument
// states (player/xm_format.h).
constexpr uint64_t INSTRUMENT_NAME_OFFSET = 4;
constexpr uint64_t INSTRUMENT_SAMPLES_OFFSET = 27;
constexpr uint64_t SAMPLE_NAME_OFFSET = 18;
// Above these (and the song's MAX_CHANNELS and MAX_INSTRUMENT_SAMPLES) the loader refuses the
// module.
constexpr uint32_t MAX_PATTERNS = 256;
constexpr uint32_t MAX_INSTRUMENTS = 128;

struct Walk {
    const std::vector<uint8_t>& bytes;
    uint64_t at;
};

// Little-endian values; bytes beyond the file read as zero, as the loader reads them.
uint32_t ByteAt(const Walk& walk, uint64_t offset)
{
    return offset < walk.bytes.size() ? walk.bytes[offset] : 0u;
}
uint32_t U16At(const Walk& walk, uint64_t offset)
{
    return ByteAt(walk, offset) | ByteAt(walk, offset + 1) << 8;
}
uint32_t U32At(const Walk& walk, uint64_t offset)
{
    return U16At(walk, offset) | U16At(walk, offset + 2) << 16;
}

bool Ended(const Walk& walk) { return walk.at >= walk.bytes.size(); }

// Past one pattern's packed cells: the loader decodes rows x channels cells (fewer rows when
// the file cannot hold them), each a packing byte and the fields it names, or 5 bytes.
void SkipPattern(Walk* walk, uint32_t channels)
{
    uint64_t rows = U16At(*walk, walk->at + 5);
    const uint32_t packed_size = U16At(*walk, walk->at + 7);
    walk->at += XM_PATTERN_HEADER_SIZE;
    if (packed_size == 0 || channels == 0) return;
    const uint64_t remaining = Ended(*walk) ? 0 : walk->bytes.size() - walk->at;
    if (rows * channels > remaining) rows = remaining / channels > 0 ? remaining / channels : 1;
    for (uint64_t cell = 0; cell < rows * channels && !Ended(*walk); ++cell) {
        const uint32_t packing = ByteAt(*walk, walk->at);
        if ((packing & 0x80) == 0) {
            walk->at += 5;
            continue;
        }
        walk->at += 1;
        for (uint32_t field = 0; field < 5; ++field) walk->at += packing >> field & 1u;
    }
}

void AddName(std::vector<PartName>* names, const Walk& walk, uint64_t offset, int32_t instrument,
             int32_t sample)
{
    std::string name = PrintableName(walk.bytes, offset, XM_INSTRUMENT_NAME_LENGTH);
    if (!name.empty()) names->push_back(PartName{instrument, sample, name});
}

}  // namespace

std::vector<PartName> InstrumentAndSampleNames(const std::vector<uint8_t>& bytes)
{
    std::vector<PartName> names;
    if (bytes.size() < XM_SONG_HEADER_BYTES) return names;
    Walk walk{bytes, 0};
    const uint32_t channels = U16At(walk, 68);
    const uint32_t patterns = U16At(walk, 70);
    const uint32_t instruments = U16At(walk, 72);
    if (channels > static_cast<uint32_t>(MAX_CHANNELS) || patterns > MAX_PATTERNS ||
        instruments > MAX_INSTRUMENTS) {
        return names;
    }
    walk.at = XM_HEADER_SIZE_OFFSET + U32At(walk, XM_HEADER_SIZE_OFFSET);
    for (uint32_t p = 0; p < patterns && !Ended(walk); ++p) SkipPattern(&walk, channels);
    for (uint32_t i = 0; i < instruments && !Ended(walk); ++i) {
        const uint64_t start = walk.at;
        const int32_t instrument = static_cast<int32_t>(i + 1);
        AddName(&names, walk, start + INSTRUMENT_NAME_OFFSET, instrument, 0);
        const uint32_t samples = U16At(walk, start + INSTRUMENT_SAMPLES_OFFSET);
        if (samples > static_cast<uint32_t>(MAX_INSTRUMENT_SAMPLES)) break;
        walk.at = start + U32At(walk, start);
        if (samples == 0) continue;
        uint64_t data_bytes = 0;
        for (uint32_t s = 0; s < samples; ++s) {
            const uint64_t header = walk.at + s * XM_SAMPLE_HEADER_SIZE;
            AddName(&names, walk, header + SAMPLE_NAME_OFFSET, instrument,
                    static_cast<int32_t>(s + 1));
            data_bytes += U32At(walk, header);
        }
        walk.at += samples * XM_SAMPLE_HEADER_SIZE + data_bytes;
    }
    return names;
}
