// The intro's own frames on the headless host, the reference for the page's frames: runs the
// entry function (the question answered No, so it runs windowed, as the page test does) and
// writes the presented pictures with the numbers asked for to OUT_DIR/frame_NNNN.ppm
// (binary PPM, red green blue), then ends the intro with Escape.
// Usage: intro_frames OUT_DIR FRAME...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../app/intro_run.h"

namespace {

bool WritePicture(const std::string& path, const uint32_t* pixels, int width, int height,
                  int pitch)
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: intro_frames OUT_DIR FRAME...\n");
        return 2;
    }
    const std::string out_dir = argv[1];
    std::vector<int> wanted;
    for (int i = 2; i < argc; ++i) wanted.push_back(std::atoi(argv[i]));
    const int last = *std::max_element(wanted.begin(), wanted.end());

    ResetIntroState();
    HeadlessQueueMessageBoxAnswer(IDNO);
    bool written = true;
    HeadlessSetFrameCallback([&](int frame, const uint32_t* pixels, int width, int height,
                                 int pitch) {
        if (std::find(wanted.begin(), wanted.end(), frame) == wanted.end()) return;
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%04d.ppm", frame);
        written = WritePicture(out_dir + name, pixels, width, height, pitch) && written;
    });
    RunIntroFor(last);
    HeadlessSetFrameCallback({});
    if (HeadlessFrameCount() < last) {
        std::fprintf(stderr, "intro_frames: only %d frames were presented\n", HeadlessFrameCount());
        return 1;
    }
    return written ? 0 : 1;
}
