// The headless host's scripting: the other test suites rely on these guarantees.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless/headless.h"

namespace {

class HeadlessHost : public ::testing::Test {
protected:
    void SetUp() override { HeadlessReset(); }
    void TearDown() override { HeadlessReset(); }
};

void PresentFilled(uint32_t colour)
{
    std::vector<uint32_t> pixels(800 * 600, colour);
    HostPresent(pixels.data(), 800, 600, 800);
}

TEST_F(HeadlessHost, MessageBoxesAnswerFromQueueThenDefaultAndAreRecordedVerbatim)
{
    HeadlessQueueMessageBoxAnswer(6);
    EXPECT_EQ(HostMessageBox("Run", "Cap", true), 6);
    EXPECT_EQ(HostMessageBox("Again", "Cap", true), 7);         // default for Yes/No: No
    EXPECT_EQ(HostMessageBox("Couldn\xB4t", "Err", false), 1);  // default for OK: OK
    std::vector<HeadlessMessageBoxRecord> boxes = HeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Run");
    EXPECT_TRUE(boxes[0].yes_no);
    EXPECT_EQ(boxes[0].answer, 6);
    EXPECT_EQ(boxes[2].text, "Couldn\xB4t");
    EXPECT_FALSE(boxes[2].yes_no);
}

TEST_F(HeadlessHost, ScheduledEventsWaitForTheirFrameAndKeepOrder)
{
    HeadlessScheduleEvent(2, HeadlessKeyDown(27));
    HeadlessScheduleEvent(1, HeadlessLeftClick(5, 6));
    HeadlessScheduleEvent(1, HeadlessRightClick(7, 8));
    HeadlessPushEvent(HeadlessCloseRequest());
    HostEvent event{};
    ASSERT_TRUE(HostPollEvent(&event));
    EXPECT_EQ(event.kind, HOST_EVENT_CLOSE);
    EXPECT_FALSE(HostPollEvent(&event));
    PresentFilled(0);
    ASSERT_TRUE(HostPollEvent(&event));
    EXPECT_EQ(event.kind, HOST_EVENT_LBUTTON_DOWN);
    EXPECT_EQ(event.x, 5);
    ASSERT_TRUE(HostPollEvent(&event));
    EXPECT_EQ(event.kind, HOST_EVENT_RBUTTON_DOWN);
    EXPECT_FALSE(HostPollEvent(&event));
    EXPECT_EQ(HeadlessPendingEvents(), 1);
    PresentFilled(0);
    ASSERT_TRUE(HostPollEvent(&event));
    EXPECT_EQ(event.kind, HOST_EVENT_KEY_DOWN);
    EXPECT_EQ(event.key, 27);
}

TEST_F(HeadlessHost, PresentKeepsLastFrameWithoutPitchPaddingAndCallsBack)
{
    std::vector<int> seen;
    HeadlessSetFrameCallback([&](int frame, const uint32_t* pixels, int, int, int) {
        seen.push_back(frame);
        EXPECT_EQ(pixels[0], uint32_t(frame));
    });
    // A picture with a pitch wider than its width: the padding must not be copied.
    std::vector<uint32_t> padded(4 * 3, 0xDEADu);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 2; x++) padded[size_t(y * 4 + x)] = uint32_t(y * 10 + x);
    padded[0] = 1;
    HostPresent(padded.data(), 2, 3, 4);
    padded[0] = 2;
    HostPresent(padded.data(), 2, 3, 4);
    EXPECT_EQ(HeadlessFrameCount(), 2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(HeadlessLastFrameWidth(), 2);
    EXPECT_EQ(HeadlessLastFrame(), (std::vector<uint32_t>{2, 1, 10, 11, 20, 21}));
}

TEST_F(HeadlessHost, DisplayAvailabilityAndScheduledLoss)
{
    HeadlessSetDisplayAvailable(false);
    EXPECT_FALSE(HostOpenDisplay(true));
    HeadlessSetDisplayAvailable(true);
    ASSERT_TRUE(HostOpenDisplay(true));
    EXPECT_TRUE(HeadlessDisplayFullscreen());

    HeadlessScheduleDisplayLoss(1, 3);
    EXPECT_TRUE(HostDisplayUsable());  // frame 1 not yet presented
    PresentFilled(0);
    EXPECT_FALSE(HostDisplayUsable());
    EXPECT_FALSE(HostDisplayUsable());
    EXPECT_FALSE(HostDisplayUsable());
    EXPECT_TRUE(HostDisplayUsable());
    EXPECT_EQ(HeadlessDisplayUnusableAnswers(), 3);

    HeadlessSetDisplayUsable(false);
    EXPECT_FALSE(HostDisplayUsable());
    HeadlessSetDisplayUsable(true);
    EXPECT_TRUE(HostDisplayUsable());
    HostCloseDisplay();
    EXPECT_FALSE(HeadlessDisplayOpen());
}

TEST_F(HeadlessHost, WindowRecordAndReset)
{
    HeadlessSetScreenSize(640, 480);
    int w = 0, h = 0;
    HostScreenSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    ASSERT_TRUE(HostCreateWindow("Vestrel", -80, -60, 740, 600));
    HostShowWindow(true);
    HostShowCursor(false);
    HeadlessWindowRecord window = HeadlessWindow();
    EXPECT_TRUE(window.created);
    EXPECT_EQ(window.title, "Vestrel");
    EXPECT_EQ(window.x, -80);
    EXPECT_EQ(window.width, 740);
    EXPECT_TRUE(window.visible);
    EXPECT_FALSE(window.cursor_visible);
    HostDestroyWindow();
    EXPECT_TRUE(HeadlessWindow().destroyed);

    HeadlessReset();
    HostScreenSize(&w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_FALSE(HeadlessWindow().created);
    EXPECT_EQ(HeadlessWindow().create_count, 0);
    EXPECT_TRUE(HeadlessWindow().cursor_visible);
}

TEST_F(HeadlessHost, SleepsAreLoggedButCappedInRealTime)
{
    HostSleep(1500);  // would take 1.5 s if slept for real; the suite stays fast either way
    HostSleep(1);
    HostSleep(1);
    EXPECT_EQ(HeadlessSleepCount(1), 2);
    EXPECT_EQ(HeadlessSleepCount(1500), 1);
    EXPECT_EQ(HeadlessSleepRequests(), (std::vector<uint32_t>{1500, 1, 1}));
}

void CountingPull(void* user, uint8_t* destination, int bytes)
{
    int* counter = static_cast<int*>(user);
    for (int i = 0; i < bytes; i++) destination[i] = uint8_t((*counter)++);
}

TEST_F(HeadlessHost, AudioPullsOnlyWhenAdvancedAndKeepsWhatWasPulled)
{
    int counter = 0;
    HeadlessSetAudioAvailable(false);
    EXPECT_FALSE(HostOpenAudio(44100, CountingPull, &counter));
    HeadlessSetAudioAvailable(true);
    ASSERT_TRUE(HostOpenAudio(44100, CountingPull, &counter));
    EXPECT_EQ(counter, 0);
    std::vector<uint8_t> first = HeadlessAdvanceAudio(5000);  // more than one piece
    ASSERT_EQ(first.size(), 5000u);
    EXPECT_EQ(first[4999], uint8_t(4999));
    HeadlessAdvanceAudio(4);
    EXPECT_EQ(HeadlessAudioBytesPulled(), 5004u);
    EXPECT_EQ(HeadlessCapturedAudio().size(), 5004u);
    HostCloseAudio();
    std::vector<uint8_t> closed = HeadlessAdvanceAudio(8);
    EXPECT_EQ(closed, std::vector<uint8_t>(8, 0));
    EXPECT_EQ(counter, 5004);
}

}  // namespace
