// capture's files against the intro: the lossless file holds every frame the intro presents
// and every sample xm2wav renders, exactly; two runs write the same bytes; the H.264 file
// has the right length, rate and size and stays close to the exact frames; --gain scales the
// music as xm2wav's does.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/app/intro_run.h"
#include "tests/capture/media_reader.h"

namespace {

const std::string BIN_DIR = INTRO_BINARY_DIR "/bin/";
const std::string EMBEDDED_MODULE = INTRO_BINARY_DIR "/assets/embedded.xm";
constexpr int FPS = 60;
constexpr int SECONDS = 10;
constexpr int FRAMES = FPS * SECONDS;
constexpr int RATE = 44100;
constexpr int WAV_HEADER_BYTES = 44;

class Capture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/capture_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        ResetIntroState();
    }
    void TearDown() override
    {
        HeadlessSetFrameCallback({});
        ReleaseGraphics();
        std::filesystem::remove_all(scratch);
    }

    std::string Path(const std::string& name) const { return scratch + "/" + name; }

    // Runs a program of the build; true when it exits with 0.
    static bool RunProgram(const std::string& program, const std::string& arguments)
    {
        const std::string command = BIN_DIR + program + " " + arguments;
        return std::system(command.c_str()) == 0;
    }

    // Captures the intro into NAME.mkv and renders the embedded module into NAME.wav, both
    // with `options` (the length and the gain, which both programs take alike), and opens the
    // capture in `reader`; the WAV file's bytes in `wav`.
    void CaptureAndRender(const std::string& name, const std::string& options,
                          MediaReader* reader, std::string* wav) const
    {
        const std::string video = Path(name + ".mkv");
        *wav = Path(name + ".wav");
        ASSERT_TRUE(RunProgram("capture", video + " " + options));
        ASSERT_TRUE(RunProgram("xm2wav", EMBEDDED_MODULE + " " + *wav + " -q " + options));
        ASSERT_TRUE(OpenMedia(reader, video)) << reader->error;
    }

    std::string scratch;
};

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Runs the intro itself for `frames` frames and hands each presented picture (0-based
// index, pixels, pitch) to `look`.
void RunIntro(int frames, const std::function<void(int, const uint32_t*, int)>& look)
{
    HeadlessSetFrameCallback([&](int frame, const uint32_t* pixels, int, int, int pitch) {
        if (frame <= frames) look(frame - 1, pixels, pitch);
    });
    RunIntroFor(frames);
    HeadlessSetFrameCallback({});
}

std::vector<uint32_t> Unpadded(const uint32_t* pixels, int pitch)
{
    std::vector<uint32_t> rows;
    for (int row = 0; row < SCREEN_HEIGHT; ++row) {
        rows.insert(rows.end(), pixels + row * pitch, pixels + row * pitch + SCREEN_WIDTH);
    }
    return rows;
}

TEST_F(Capture, LosslessFileHoldsEveryFrameAndSampleOfTheIntro)
{
    MediaReader reader;
    std::string wav;
    ASSERT_NO_FATAL_FAILURE(CaptureAndRender("ten", "--seconds 10", &reader, &wav));
    EXPECT_EQ(reader.video->width, SCREEN_WIDTH);
    EXPECT_EQ(reader.video->height, SCREEN_HEIGHT);

    // Every frame is compared; frames 0, 90, 300 and 599 are named when they differ.
    std::vector<int> differing;
    int missing = 0;
    RunIntro(FRAMES, [&](int k, const uint32_t* pixels, int pitch) {
        std::vector<uint32_t> decoded;
        if (!NextPicture(&reader, &decoded)) {
            ++missing;
            return;
        }
        if (decoded != Unpadded(pixels, pitch)) differing.push_back(k);
    });
    EXPECT_EQ(missing, 0);
    EXPECT_TRUE(differing.empty()) << differing.size() << " frames differ, the first "
                                   << (differing.empty() ? -1 : differing[0]);
    for (int k : {0, 90, 300, 599}) {
        EXPECT_EQ(std::count(differing.begin(), differing.end(), k), 0) << "frame " << k;
    }
    std::vector<uint32_t> extra;
    EXPECT_FALSE(NextPicture(&reader, &extra)) << "more than " << FRAMES << " frames";

    ReadToEnd(&reader);
    const std::vector<uint8_t> rendered = ReadFile(wav);
    ASSERT_EQ(rendered.size(), WAV_HEADER_BYTES + size_t(RATE) * SECONDS * 4);
    std::vector<int16_t> expected((rendered.size() - WAV_HEADER_BYTES) / 2);
    std::memcpy(expected.data(), rendered.data() + WAV_HEADER_BYTES, expected.size() * 2);
    ASSERT_EQ(reader.sound.size(), expected.size());
    EXPECT_TRUE(reader.sound == expected) << "the audio differs from xm2wav's";
    CloseMedia(&reader);
}

TEST_F(Capture, GainScalesTheMusicExactlyAsXm2wavDoes)
{
    MediaReader reader;
    std::string wav;
    ASSERT_NO_FATAL_FAILURE(CaptureAndRender("quiet", "--seconds 1 --gain -6", &reader, &wav));
    ReadToEnd(&reader);
    const std::vector<uint8_t> rendered = ReadFile(wav);
    ASSERT_EQ(reader.sound.size() * 2 + WAV_HEADER_BYTES, rendered.size());
    EXPECT_EQ(std::memcmp(reader.sound.data(), rendered.data() + WAV_HEADER_BYTES,
                          rendered.size() - WAV_HEADER_BYTES),
              0);
    CloseMedia(&reader);
}

TEST_F(Capture, LosslessFilesOfTwoRunsAreTheSame)
{
    ASSERT_TRUE(RunProgram("capture", Path("first.mkv") + " --seconds 2"));
    ASSERT_TRUE(RunProgram("capture", Path("second.mkv") + " --seconds 2"));
    const std::vector<uint8_t> first = ReadFile(Path("first.mkv"));
    EXPECT_GT(first.size(), 100000u);
    EXPECT_TRUE(first == ReadFile(Path("second.mkv")));
}

TEST_F(Capture, H264FileHasTheRightShapeAndStaysCloseToTheExactFrames)
{
    const std::string video = Path("ten.mp4");
    ASSERT_TRUE(RunProgram("capture", video + " --seconds 10"));
    MediaReader reader;
    ASSERT_TRUE(OpenMedia(&reader, video)) << reader.error;
    EXPECT_EQ(reader.video->width, SCREEN_WIDTH);
    EXPECT_EQ(reader.video->height, SCREEN_HEIGHT);
    const AVStream* stream = reader.format->streams[reader.video_index];
    EXPECT_EQ(av_cmp_q(stream->avg_frame_rate, AVRational{FPS, 1}), 0)
        << stream->avg_frame_rate.num << "/" << stream->avg_frame_rate.den;
    EXPECT_NEAR(double(reader.format->duration) / AV_TIME_BASE, SECONDS, 1.0 / FPS);

    // Over the whole file the pictures stay above 40 dB; the first frames, where the two
    // bright, finely dithered pictures fill the screen, lose most to the 4:2:0 chroma.
    double squared_error_sum = 0, worst = INFINITY;
    int compared = 0;
    RunIntro(FRAMES, [&](int, const uint32_t* pixels, int pitch) {
        std::vector<uint32_t> decoded;
        if (!NextPicture(&reader, &decoded)) return;
        const double psnr = PicturePsnr(decoded, Unpadded(pixels, pitch).data(), decoded.size());
        worst = std::min(worst, psnr);
        squared_error_sum += 255.0 * 255.0 / std::pow(10.0, psnr / 10.0);
        ++compared;
    });
    EXPECT_EQ(compared, FRAMES);
    std::vector<uint32_t> extra;
    EXPECT_FALSE(NextPicture(&reader, &extra)) << "more than " << FRAMES << " frames";
    const double psnr = 10.0 * std::log10(255.0 * 255.0 / (squared_error_sum / compared));
    EXPECT_GE(psnr, 40.0);
    EXPECT_GE(worst, 35.0);
    std::printf("H.264 against the exact frames: %.2f dB over all frames, %.2f dB the worst\n",
                psnr, worst);

    // The audio keeps the length: AAC's priming is cut by the file's edit list.
    ReadToEnd(&reader);
    EXPECT_NEAR(double(reader.sound.size()) / 2, double(RATE) * SECONDS, 1024);
    CloseMedia(&reader);
}

}  // namespace
