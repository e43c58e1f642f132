// waveOut on the headless host's virtual clock: the looping ring as the player uses it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/headless/headless.h"
#include "platform/platform_api.h"

namespace {

WAVEFORMATEX DeviceFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 44100 * 4;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    return format;
}

DWORD PositionBytes(HWAVEOUT device)
{
    MMTIME time{};
    time.wType = TIME_BYTES;
    EXPECT_EQ(waveOutGetPosition(device, &time, sizeof(time)), MMSYSERR_NOERROR);
    EXPECT_EQ(time.wType, TIME_BYTES);
    return time.u.cb;
}

class WaveOut : public ::testing::Test {
protected:
    HWAVEOUT device = nullptr;
    std::vector<uint8_t> ring;
    WAVEHDR header{};

    void SetUp() override
    {
        HeadlessReset();
        WAVEFORMATEX format = DeviceFormat();
        ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL),
                  MMSYSERR_NOERROR);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(HeadlessAudioRate(), 44100);
        // A ring of 100 bytes holding 1, 2, 3, ...
        ring.resize(100);
        for (size_t i = 0; i < ring.size(); i++) ring[i] = uint8_t(i + 1);
        header.lpData = reinterpret_cast<LPSTR>(ring.data());
        header.dwBufferLength = DWORD(ring.size());
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFFu;
    }
    void TearDown() override
    {
        if (device) {
            waveOutReset(device);
            waveOutUnprepareHeader(device, &header, sizeof(header));
            waveOutClose(device);
        }
        HeadlessReset();
    }

    void StartLoop()
    {
        ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_TRUE(header.dwFlags & WHDR_PREPARED);
        ASSERT_EQ(waveOutWrite(device, &header, sizeof(header)), MMSYSERR_NOERROR);
    }
};

TEST_F(WaveOut, SilenceBeforeWriteAndPositionZero)
{
    EXPECT_EQ(HeadlessAdvanceAudio(16), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(PositionBytes(device), 0u);
}

TEST_F(WaveOut, LoopWrapsAtTheEndAndPositionGrowsAcrossPasses)
{
    StartLoop();
    std::vector<uint8_t> first = HeadlessAdvanceAudio(96);
    EXPECT_EQ(first[0], 1);
    EXPECT_EQ(first[95], 96);
    // 8 bytes straddle the end of the ring: 97..100 then 1..4.
    EXPECT_EQ(HeadlessAdvanceAudio(8), (std::vector<uint8_t>{97, 98, 99, 100, 1, 2, 3, 4}));
    EXPECT_EQ(PositionBytes(device), 104u);
    // Many passes in one pull (the headless host splits it into pieces of its own).
    std::vector<uint8_t> many = HeadlessAdvanceAudio(10000);
    for (size_t i = 0; i < many.size(); i++) ASSERT_EQ(many[i], uint8_t((104 + i) % 100 + 1)) << i;
    DWORD bytes = PositionBytes(device);
    EXPECT_EQ(bytes, 10104u);
    // The player's mapping back into the ring follows the device through every pass.
    EXPECT_EQ((bytes / 4) % 25, (10104u % 100) / 4);
}

TEST_F(WaveOut, ResetStopsReadingAtOnceAndGivesTheBufferBack)
{
    StartLoop();
    HeadlessAdvanceAudio(40);
    EXPECT_TRUE(header.dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof(header)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_FALSE(header.dwFlags & WHDR_INQUEUE);
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    // The ring is no longer read: poisoning it changes nothing that is played.
    std::fill(ring.begin(), ring.end(), 0xEE);
    EXPECT_EQ(HeadlessAdvanceAudio(64), std::vector<uint8_t>(64, 0));
    EXPECT_EQ(PositionBytes(device), 0u);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof(header)), MMSYSERR_NOERROR);
    EXPECT_FALSE(header.dwFlags & WHDR_PREPARED);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_FALSE(HeadlessAudioOpen());
    device = nullptr;
}

TEST_F(WaveOut, BufferWithoutLoopFlagsPlaysOnceThenSilence)
{
    header.dwFlags = 0;
    StartLoop();
    std::vector<uint8_t> played = HeadlessAdvanceAudio(120);
    EXPECT_EQ(played[99], 100);
    EXPECT_EQ(std::vector<uint8_t>(played.begin() + 100, played.end()),
              std::vector<uint8_t>(20, 0));
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    EXPECT_FALSE(header.dwFlags & WHDR_INQUEUE);
}

TEST_F(WaveOut, WriteNeedsAPreparedHeaderAndOnlyOneAtATime)
{
    EXPECT_EQ(waveOutWrite(device, &header, sizeof(header)), WAVERR_UNPREPARED);
    StartLoop();
    WAVEHDR second = header;
    second.dwFlags = WHDR_PREPARED;
    EXPECT_EQ(waveOutWrite(device, &second, sizeof(second)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutWrite(device, &header, sizeof(header) - 1), MMSYSERR_INVALPARAM);
}

TEST_F(WaveOut, PositionInOtherUnits)
{
    StartLoop();
    HeadlessAdvanceAudio(44100 * 4);
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    ASSERT_EQ(waveOutGetPosition(device, &time, sizeof(time)), MMSYSERR_NOERROR);
    EXPECT_EQ(time.u.sample, 44100u);
    time.wType = TIME_MS;
    ASSERT_EQ(waveOutGetPosition(device, &time, sizeof(time)), MMSYSERR_NOERROR);
    EXPECT_EQ(time.u.ms, 1000u);
    EXPECT_EQ(waveOutGetPosition(device, nullptr, sizeof(time)), MMSYSERR_INVALPARAM);
}

TEST(WaveOutOpen, OnlySixteenBitStereoAt44100IsAccepted)
{
    HeadlessReset();
    HWAVEOUT device = nullptr;
    WAVEFORMATEX format = DeviceFormat();
    format.nSamplesPerSec = 48000;
    format.nAvgBytesPerSec = 48000 * 4;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    format = DeviceFormat();
    format.nChannels = 1;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = 44100 * 2;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    format = DeviceFormat();
    format.wBitsPerSample = 8;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    format = DeviceFormat();
    format.wFormatTag = 3;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(device, nullptr);
    EXPECT_FALSE(HeadlessAudioOpen());
}

TEST(WaveOutOpen, NoSoundDeviceFailsTheOpen)
{
    HeadlessReset();
    HeadlessSetAudioAvailable(false);
    HWAVEOUT device = nullptr;
    WAVEFORMATEX format = DeviceFormat();
    EXPECT_NE(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(device, nullptr);
    // The same device opens once a sound card is there; a second open is refused.
    HeadlessSetAudioAvailable(true);
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    HWAVEOUT second = nullptr;
    EXPECT_NE(waveOutOpen(&second, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    HeadlessReset();
}

TEST(WaveOutOpen, CallsOnAHandleThatIsNotOpenAreHarmless)
{
    HeadlessReset();
    // What the player's stop does without a preceding start: every call refused, no crash.
    HWAVEOUT never_opened = nullptr;
    WAVEHDR header{};
    MMTIME time{};
    time.wType = TIME_BYTES;
    EXPECT_EQ(waveOutReset(never_opened), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutUnprepareHeader(never_opened, &header, sizeof(header)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(never_opened), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutGetPosition(never_opened, &time, sizeof(time)), MMSYSERR_INVALHANDLE);
    HWAVEOUT bogus = reinterpret_cast<HWAVEOUT>(&header);
    EXPECT_EQ(waveOutPrepareHeader(bogus, &header, sizeof(header)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(bogus, &header, sizeof(header)), MMSYSERR_INVALHANDLE);
    // A handle that was open once and has been closed.
    HWAVEOUT device = nullptr;
    WAVEFORMATEX format = DeviceFormat();
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutReset(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(header.dwFlags, 0u);
}

}  // namespace

namespace {

// The sound card's thread pulls while the system reads the position and then resets: once
// waveOutReset has returned, the ring may be freed, so nothing of it may be read any more.
TEST_F(WaveOut, ResetWhileAnotherThreadPullsNeverReadsTheRingAfterwards)
{
    StartLoop();
    std::atomic<bool> stop{false};
    std::atomic<bool> reset_done{false};
    std::atomic<int> bad_pulls{0};
    std::thread card([&] {
        while (!stop.load()) {
            bool after_reset = reset_done.load();
            std::vector<uint8_t> piece = HeadlessAdvanceAudio(64);
            if (after_reset && piece != std::vector<uint8_t>(64, 0)) bad_pulls++;
        }
    });
    DWORD last = 0;
    for (int i = 0; i < 200; i++) {
        DWORD now = PositionBytes(device);
        EXPECT_GE(now, last);  // never goes back while playing
        last = now;
    }
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    reset_done = true;
    std::fill(ring.begin(), ring.end(), 0xEE);
    for (int i = 0; i < 50; i++) PositionBytes(device);
    stop = true;
    card.join();
    EXPECT_EQ(bad_pulls.load(), 0);
}

}  // namespace
