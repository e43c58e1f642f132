// Stand-in: all-zero images until the real generator lands.
#include <cstdio>
#include "write_array.h"
int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    FILE* f = std::fopen(argv[1], "w");
    if (!f) return 1;
    std::fprintf(f, "#include \"assets/assets.h\"\n");
    WriteByteArray(f, "const uint8_t sprite_sheet_data[RIFF_PALETTE_HEADER + 4 * 32 + 256 * 256]", std::vector<uint8_t>(24 + 128 + 65536));
    WriteByteArray(f, "const uint8_t left_panel_data[RIFF_PALETTE_HEADER + 4 * 256 + 512 * 512]", std::vector<uint8_t>(24 + 1024 + 262144));
    WriteByteArray(f, "const uint8_t right_panel_data[RIFF_PALETTE_HEADER + 4 * 256 + 512 * 512]", std::vector<uint8_t>(24 + 1024 + 262144));
    return std::fclose(f) == 0 ? 0 : 1;
}
