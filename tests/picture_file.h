// A presented picture (X8R8G8B8) written as a binary PPM file (red, green, blue), for the test
// programs whose pictures scripts compare.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// `pitch` counts pixels from one row to the next. False when the file cannot be written.
inline bool WritePicturePpm(const std::string& path, const uint32_t* pixels, int width,
                            int height, int pitch)
{
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * pitch + x];
            unsigned char* out = &rgb[(size_t(y) * width + x) * 3];
            out[0] = static_cast<unsigned char>(p >> 16);
            out[1] = static_cast<unsigned char>(p >> 8);
            out[2] = static_cast<unsigned char>(p);
        }
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    const bool written = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && written;
}
