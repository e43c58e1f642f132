// The intro's frames, pixel for pixel, on one pixel path (platform/pixel_path.h): runs the
// whole intro (WinMain) on the headless host with that path and compares a checksum of each
// presented frame with the recorded list, which the plain path made.
//
//   frame_checksums LIST PATH                 check PATH ("plain", "sse2", "avx2", "avx512")
//                                             against LIST; exit 77 when the processor lacks it
//   frame_checksums --record LIST [FRAMES]    write LIST from the plain path (default 1500)
//
// The list changes only when the frames change on purpose (a new picture, other bubble start
// positions); then re-record it from the test build and look at what changed:
//   cmake --build --preset test --target frame_checksums
//   build/test/tests/output/frame_checksums --record tests/output/frame_checksums.tsv
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/pixel_path.h"
#include "tests/app/intro_run.h"

namespace {

// FNV-1a over the frame's pixels two at a time, row by row (the rows' padding left out).
uint64_t FrameChecksum(const uint32_t* pixels, int width, int height, int pitch)
{
    uint64_t hash = 0xCBF29CE484222325u;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + size_t(y) * size_t(pitch);
        int x = 0;
        for (; x + 2 <= width; x += 2) {
            uint64_t two;
            std::memcpy(&two, row + x, sizeof(two));
            hash = (hash ^ two) * 0x100000001B3u;
        }
        if (x < width) hash = (hash ^ row[x]) * 0x100000001B3u;
    }
    return hash;
}

// The checksums of the intro's frames 1..frames on the path given.
std::vector<uint64_t> IntroFrameChecksums(PixelPath path, int frames)
{
    ResetIntroState();
    SelectPixelPath(path);
    std::vector<uint64_t> sums;
    HeadlessSetFrameCallback([&](int, const uint32_t* pixels, int width, int height, int pitch) {
        sums.push_back(FrameChecksum(pixels, width, height, pitch));
    });
    RunIntroFor(frames);
    HeadlessSetFrameCallback({});
    ReleaseGraphics();
    SelectPixelPath(BestPixelPath());
    sums.resize(size_t(frames));
    return sums;
}

bool ReadList(const char* file, std::vector<uint64_t>* sums)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int frame = 0;
        std::string hex;
        if (!(fields >> frame >> hex) || frame != int(sums->size()) + 1) return false;
        sums->push_back(std::strtoull(hex.c_str(), nullptr, 16));
    }
    return !sums->empty();
}

int Record(const char* file, int frames)
{
    const std::vector<uint64_t> sums = IntroFrameChecksums(PixelPath::PLAIN, frames);
    std::FILE* out = std::fopen(file, "w");
    if (!out) {
        std::fprintf(stderr, "frame_checksums: %s: cannot write\n", file);
        return 1;
    }
    std::fprintf(out,
                 "# FNV-1a (64 bits) of each frame the intro presents on the headless host, "
                 "windowed, without\n# sound, frames 1..%d, drawn by the plain pixel loops. Made "
                 "by frame_checksums --record\n# (tests/output/frame_checksums.cpp says how).\n"
                 "# frame\tchecksum\n",
                 frames);
    for (size_t i = 0; i < sums.size(); ++i) {
        std::fprintf(out, "%zu\t%016llx\n", i + 1, static_cast<unsigned long long>(sums[i]));
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

// The test's exit status for a path the processor lacks.
const int SKIPPED = 77;

int Check(const char* file, const char* path_name)
{
    std::vector<uint64_t> expected;
    if (!ReadList(file, &expected)) {
        std::fprintf(stderr, "frame_checksums: %s: not a list of frame checksums\n", file);
        return 1;
    }
    int p = 0;
    while (p < PIXEL_PATH_COUNT && std::strcmp(PixelPathName(PixelPath(p)), path_name) != 0) p++;
    if (p == PIXEL_PATH_COUNT) {
        std::fprintf(stderr, "frame_checksums: no pixel path \"%s\"\n", path_name);
        return 2;
    }
    const PixelPath path = PixelPath(p);
    if (!PixelPathSupported(path)) {
        std::printf("%s: not on this processor\n", path_name);
        return SKIPPED;
    }
    const std::vector<uint64_t> sums = IntroFrameChecksums(path, int(expected.size()));
    int differ = 0, first = 0;
    for (size_t i = 0; i < sums.size(); ++i) {
        if (sums[i] == expected[i]) continue;
        if (differ++ == 0) first = int(i) + 1;
    }
    if (differ != 0) {
        std::printf("FAIL: %s: %d of %zu frames differ from the list, the first frame %d\n",
                    path_name, differ, sums.size(), first);
        return 1;
    }
    std::printf("%s: %zu frames as recorded\n", path_name, sums.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--record") == 0) {
        const int frames = argc >= 4 ? std::atoi(argv[3]) : 1500;
        return frames > 0 ? Record(argv[2], frames) : 2;
    }
    if (argc == 3) return Check(argv[1], argv[2]);
    std::fprintf(stderr,
                 "usage: frame_checksums LIST PATH | frame_checksums --record LIST [FRAMES]\n");
    return 2;
}
