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
#include "tests/picture_file.h"

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
        written = WritePicturePpm(out_dir + name, pixels, width, height, pitch) && written;
    });
    RunIntroFor(last);
    HeadlessSetFrameCallback({});
    if (HeadlessFrameCount() < last) {
        std::fprintf(stderr, "intro_frames: only %d frames were presented\n", HeadlessFrameCount());
        return 1;
    }
    return written ? 0 : 1;
}
