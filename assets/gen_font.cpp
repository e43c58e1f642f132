// Stand-in: a blank font until the real generator lands.
#include <cstdio>
#include "write_array.h"
int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    FILE* f = std::fopen(argv[1], "w");
    if (!f) return 1;
    std::fprintf(f, "#include \"assets/assets.h\"\n");
    WriteByteArray(f, "const uint8_t font_strip_data[RIFF_PALETTE_HEADER + 4 * 16 + 800 * 30]", std::vector<uint8_t>(24 + 64 + 24000));
    std::fprintf(f, "const char glyph_chars[45] = \"abcdefghijklmnopqrstuvwxyz!.()+:-0123456789 \";\n");
    std::fprintf(f, "const int32_t glyph_x[45] = {0, 13, 26, 38, 52, 63, 71, 85, 99, 103, 111, 122, 129, 145, 157, 172, 185, 200, 210, 219, 230, 241, 253, 270, 282, 295, 307, 316, 326, 335, 348, 370, 377, 386, 402, 409, 422, 433, 447, 459, 471, 483, 495, 506, 520};\n");
    return std::fclose(f) == 0 ? 0 : 1;
}
