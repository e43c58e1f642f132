// The whole intro on the headless host: the start-up question, the window, the graphics
// set-up failure, the music, and the ways the loop ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "intro_run.h"

namespace {

class IntroLifecycle : public ::testing::Test {
protected:
    void SetUp() override { ResetIntroState(); }
    void TearDown() override
    {
        HeadlessSetFrameCallback({});
        ReleaseGraphics();
    }
};

struct FrameFacts {
    bool window_visible = false;
    bool cursor_visible = true;
    bool audio_open = false;
};

}  // namespace

TEST_F(IntroLifecycle, AnswerNoRunsInTheWindowBesideTheScreenCentre)
{
    HeadlessQueueMessageBoxAnswer(IDNO);
    FrameFacts first;
    HeadlessSetFrameCallback([&](int frame, const uint32_t*, int, int, int) {
        if (frame != 1) return;
        first.window_visible = HeadlessWindow().visible;
        first.cursor_visible = HeadlessWindow().cursor_visible;
    });
    EXPECT_EQ(RunIntroFor(3), 0);

    const std::vector<HeadlessMessageBoxRecord> boxes = HeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Run in Fullscreen !?");
    EXPECT_EQ(boxes[0].caption, "Orvanthe");
    EXPECT_TRUE(boxes[0].yes_no);

    const HeadlessWindowRecord window = HeadlessWindow();
    EXPECT_EQ(window.title, "Vestrel");
    EXPECT_EQ(window.x, 1024 / 2 - 400);
    EXPECT_EQ(window.y, 768 / 2 - 300);
    EXPECT_EQ(window.width, 740);
    EXPECT_EQ(window.height, 600);
    EXPECT_TRUE(windowed);
    EXPECT_FALSE(HeadlessDisplayFullscreen());
    EXPECT_EQ(HeadlessSleepCount(1500), 0);
    EXPECT_TRUE(first.window_visible);
    EXPECT_FALSE(first.cursor_visible);
}

TEST_F(IntroLifecycle, SmallScreenPutsTheWindowAtANegativePosition)
{
    HeadlessSetScreenSize(641, 481);
    EXPECT_EQ(RunIntroFor(1), 0);
    EXPECT_EQ(HeadlessWindow().x, 320 - 400);
    EXPECT_EQ(HeadlessWindow().y, 240 - 300);
}

TEST_F(IntroLifecycle, AnyAnswerButNoRunsFullScreenAfterAPause)
{
    for (int answer : {IDYES, 0}) {
        ResetIntroState();
        HeadlessQueueMessageBoxAnswer(answer);
        EXPECT_EQ(RunIntroFor(2), 0);
        EXPECT_FALSE(windowed) << answer;
        EXPECT_TRUE(HeadlessDisplayFullscreen()) << answer;
        EXPECT_EQ(HeadlessSleepCount(1500), 1) << answer;
        EXPECT_EQ(HeadlessFrameCount(), 2) << answer;
    }
}

TEST_F(IntroLifecycle, RefusedDeviceShowsTheErrorBoxAndEndsWithZero)
{
    HeadlessSetDisplayAvailable(false);
    HeadlessSetAudioAvailable(true);
    EXPECT_EQ(RunIntroFor(1), 0);

    const std::vector<HeadlessMessageBoxRecord> boxes = HeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "What the...?!");
    EXPECT_EQ(boxes[1].caption, "Couldn\xB4t set up DirectX.");
    EXPECT_EQ(static_cast<unsigned char>(boxes[1].caption[6]), 0xB4);
    EXPECT_FALSE(boxes[1].yes_no);
    EXPECT_EQ(HeadlessFrameCount(), 0);
    EXPECT_FALSE(HeadlessAudioOpen());
    EXPECT_FALSE(HeadlessWindow().visible);
}

TEST_F(IntroLifecycle, EscapeEndsTheLoopButOtherKeysAndRightClicksDoNot)
{
    HeadlessScheduleEvent(1, HeadlessKeyDown('A'));
    HeadlessScheduleEvent(2, HeadlessKeyDown(VK_SPACE));
    HeadlessScheduleEvent(2, HeadlessKeyDown(VK_RETURN));
    HeadlessScheduleEvent(3, HeadlessRightClick(100, 100));
    EXPECT_EQ(RunIntroFor(5), 0);
    EXPECT_EQ(HeadlessFrameCount(), 5);
    EXPECT_FALSE(HeadlessWindow().created);
}

TEST_F(IntroLifecycle, LeftClickAnywhereEndsTheLoop)
{
    HeadlessScheduleEvent(4, HeadlessLeftClick(700, 3));
    EXPECT_EQ(RunIntroFor(50), 0);
    EXPECT_EQ(HeadlessFrameCount(), 4);
}

TEST_F(IntroLifecycle, ClosingTheWindowEndsTheLoop)
{
    HeadlessScheduleEvent(2, HeadlessCloseRequest());
    EXPECT_EQ(RunIntroFor(50), 0);
    EXPECT_EQ(HeadlessFrameCount(), 2);
}

TEST_F(IntroLifecycle, MusicPlaysBeforeTheFirstFrameAndStopsAtExit)
{
    HeadlessSetAudioAvailable(true);
    FrameFacts first;
    HeadlessSetFrameCallback([&](int frame, const uint32_t*, int, int, int) {
        if (frame == 1) first.audio_open = HeadlessAudioOpen();
    });
    EXPECT_EQ(RunIntroFor(2), 0);
    EXPECT_TRUE(first.audio_open);
    EXPECT_FALSE(HeadlessAudioOpen());
    // Everything is released and emptied, so a second release does nothing.
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(direct3d, nullptr);
    EXPECT_EQ(back_buffer, nullptr);
}

TEST_F(IntroLifecycle, WithoutAnAudioDeviceTheIntroStillRunsAndEnds)
{
    EXPECT_EQ(RunIntroFor(3), 0);
    EXPECT_EQ(HeadlessFrameCount(), 3);
    EXPECT_FALSE(HeadlessAudioOpen());
}
