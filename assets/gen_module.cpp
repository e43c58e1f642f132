// Stand-in: an empty module until the real generator lands.
#include <cstdio>
#include "write_array.h"
int main(int argc, char** argv)
{
    if (argc < 3) return 1;
    std::vector<uint8_t> bytes(57056);
    FILE* f = std::fopen(argv[1], "w");
    if (!f) return 1;
    std::fprintf(f, "#include \"assets/assets.h\"\n");
    WriteByteArray(f, "const uint8_t embedded_module[EMBEDDED_MODULE_SIZE]", bytes);
    if (std::fclose(f) != 0) return 1;
    FILE* x = std::fopen(argv[2], "wb");
    if (!x) return 1;
    std::fwrite(bytes.data(), 1, bytes.size(), x);
    return std::fclose(x) == 0 ? 0 : 1;
}
