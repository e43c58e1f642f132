// The pager's timeline: what each state does per frame, how long each lasts, the blend
// switch, the spin alternation, the wrap to the first page, and the two device-reset cases.
#include <cmath>

#include "test_pager_device.h"

namespace {

constexpr int PAGE_CYCLE = 734;  // frames from one composition to the next
constexpr int REVEAL_FRAMES = 90;
constexpr int SHOW_END = REVEAL_FRAMES + 500;  // last frame of the show
constexpr int FADE_END = SHOW_END + 93;        // frame of the 93rd fade step

using PagerTimeline = PagerOnDevice;

}  // namespace

TEST_F(PagerTimeline, FirstFrameComposesAndTakesTheFirstRevealStep)
{
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);  // left on by the frame renderer
    Run(1);
    EXPECT_EQ(pager_state, PAGER_REVEAL);
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
    EXPECT_FALSE(BlendEnabled());
    EXPECT_EQ(left_panel_x, -112.0f);
    EXPECT_EQ(right_panel_x, 400.0f);
    EXPECT_EQ(QuadColour(left_panel_quad), 0xFDFDFDu);
    EXPECT_EQ(QuadColour(right_panel_quad), 0xFDFDFDu);
    EXPECT_EQ(QuadColour(page_quad), 0x090909u);
    EXPECT_EQ(panel_phase, 0.035f);
    EXPECT_FALSE(PageBlank());
}

TEST_F(PagerTimeline, PanelsSwingAlongTheSineOfThePhaseBeforeItsStep)
{
    float t = 0.0f;
    for (int step = 1; step <= 90; ++step) {
        Run(1);
        ASSERT_EQ(left_panel_x, float(-112.0 - 340.0 * std::sin(double(t)))) << "step " << step;
        ASSERT_EQ(right_panel_x, float(400.0 + 340.0 * std::sin(double(t)))) << "step " << step;
        if (step == 46) {  // t = 1.575, near pi/2: about 340 pixels open each way
            EXPECT_NEAR(left_panel_x, -452.0f, 0.1f);
            EXPECT_NEAR(right_panel_x, 740.0f, 0.1f);
        }
        t += 0.035f;
    }
    // Shutting again towards the end.
    EXPECT_NEAR(left_panel_x, -112.0f - 340.0f * std::sin(3.115f), 0.1f);
}

TEST_F(PagerTimeline, BlendingSwitchesOnAtTheFiftiethRevealStep)
{
    Run(49);
    EXPECT_FALSE(BlendEnabled());
    Run(1);
    EXPECT_TRUE(BlendEnabled());
    Run(REVEAL_FRAMES - 50);
    EXPECT_TRUE(BlendEnabled());  // on for every later reveal step
    // The end of the reveal, the show, the fade and the pause leave the blend state alone.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    Run(SHOW_END + 20 - REVEAL_FRAMES);
    EXPECT_EQ(pager_state, PAGER_FADE);
    EXPECT_FALSE(BlendEnabled());
}

TEST_F(PagerTimeline, RevealTakesNinetyStepsAndEndsInTheNinetyFirstFrame)
{
    Run(REVEAL_FRAMES);
    EXPECT_EQ(pager_state, PAGER_REVEAL);
    EXPECT_EQ(QuadColour(left_panel_quad), 0x4B4B4Bu);
    EXPECT_EQ(QuadColour(right_panel_quad), 0x4B4B4Bu);
    EXPECT_EQ(QuadColour(page_quad), 0xBBBBBBu);
    Run(1);
    EXPECT_EQ(pager_state, PAGER_SHOW);
    EXPECT_EQ(pager_wait, 499);  // the show's first step shares the frame
    EXPECT_EQ(left_panel_x, -112.0f);
    EXPECT_EQ(right_panel_x, 400.0f);
    EXPECT_EQ(QuadColour(page_quad), 0xBBBBBBu);
    EXPECT_EQ(QuadColour(left_panel_quad), 0x4B4B4Bu);
}

TEST_F(PagerTimeline, UndisturbedPageRunsRevealShowFadePauseIn734Frames)
{
    Run(SHOW_END);
    EXPECT_EQ(pager_state, PAGER_SHOW);
    EXPECT_EQ(pager_wait, 0);  // counted down to 0 in the 500th show frame
    EXPECT_EQ(page_scale, 1.0f);
    Run(1);  // the 501st: the show leaves and the fade takes its first step
    EXPECT_EQ(pager_state, PAGER_FADE);
    EXPECT_EQ(panel_phase, 0.0f);
    EXPECT_EQ(QuadColour(page_quad), 0xB9B9B9u);
    EXPECT_EQ(QuadColour(left_panel_quad), 0x4D4D4Du);

    Run(89);  // 90 fade steps bring the panels back to full brightness
    EXPECT_EQ(QuadColour(left_panel_quad), 0xFFFFFFu);
    EXPECT_EQ(QuadColour(right_panel_quad), 0xFFFFFFu);
    Run(3);  // and they stay there while the page goes on darkening
    EXPECT_EQ(QuadColour(left_panel_quad), 0xFFFFFFu);
    EXPECT_EQ(QuadColour(page_quad), 0x010101u);
    EXPECT_EQ(pager_state, PAGER_FADE);
    EXPECT_NEAR(page_scale, 9.37f, 1e-3f);
    EXPECT_EQ(page_angle, 0.0f);  // the first page does not turn

    left_panel_x = 5.0f;  // wherever a reset left them, the pause closes the panels
    Run(1);
    EXPECT_EQ(pager_state, PAGER_PAUSE);
    EXPECT_EQ(pager_wait, 49);
    EXPECT_EQ(left_panel_x, -112.0f);
    EXPECT_EQ(right_panel_x, 400.0f);

    Run(PAGE_CYCLE - 1 - (FADE_END + 1));  // up to the 50th pause frame
    EXPECT_EQ(pager_state, PAGER_PAUSE);
    EXPECT_FALSE(PageBlank());
    Run(1);  // the 51st clears the page and sets up the next one
    EXPECT_EQ(pager_state, PAGER_COMPOSE);
    EXPECT_TRUE(PageBlank());
    EXPECT_EQ(QuadColour(page_quad), 0x070707u);
    EXPECT_EQ(QuadColour(left_panel_quad), 0xFFFFFFu);
    EXPECT_EQ(page_scale, 1.0f);
    EXPECT_EQ(page_angle, 0.0f);
    EXPECT_TRUE(spin_enabled);
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
    Run(1);  // the next page is composed in the frame after: 734 frames after the first
    EXPECT_EQ(text_cursor, uint32_t(2 * CHARS_PER_PAGE));
    EXPECT_EQ(pager_state, PAGER_REVEAL);
    EXPECT_FALSE(PageBlank());
}

TEST_F(PagerTimeline, EveryOtherPageTurnsWhileItFades)
{
    Run(PAGE_CYCLE + FADE_END);
    EXPECT_EQ(QuadColour(page_quad), 0x010101u);
    EXPECT_NEAR(page_angle, 4.65f, 1e-3f);
    EXPECT_NEAR(page_scale, 9.37f, 1e-3f);
    Run(PAGE_CYCLE);
    EXPECT_EQ(page_angle, 0.0f);  // the third page fades without turning
    EXPECT_NEAR(page_scale, 9.37f, 1e-3f);
}

TEST_F(PagerTimeline, AfterTheSeventhPageTheFirstComesAgainAndTheAlternationRunsOn)
{
    Run(7 * PAGE_CYCLE - 1);
    EXPECT_EQ(pager_state, PAGER_PAUSE);
    EXPECT_EQ(text_cursor, 1512u);
    Run(1);
    EXPECT_EQ(text_cursor, 0u);
    EXPECT_EQ(pager_state, PAGER_COMPOSE);
    EXPECT_TRUE(spin_enabled);  // seven flips: the eighth page turns although the first did not
    Run(1);
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
    Run(FADE_END - 1);
    EXPECT_NEAR(page_angle, 4.65f, 1e-3f);
}

TEST_F(PagerTimeline, ResetDuringTheShowFadesAnEmptyPageThenComposesTheNextOne)
{
    Run(300);
    ASSERT_EQ(pager_state, PAGER_SHOW);
    // What the device recovery does: blank texture, blending off, fade state.
    CreatePageTexture();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pager_state = PAGER_FADE;

    Run(1);
    EXPECT_EQ(QuadColour(page_quad), 0xB9B9B9u);  // from its current brightness
    Run(92);
    EXPECT_EQ(QuadColour(page_quad), 0x010101u);
    EXPECT_TRUE(PageBlank());
    Run(1 + 50);
    EXPECT_EQ(pager_state, PAGER_COMPOSE);
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));  // the interrupted page is not shown again
    Run(1);
    EXPECT_EQ(text_cursor, uint32_t(2 * CHARS_PER_PAGE));
}

TEST_F(PagerTimeline, ResetDuringTheRevealFadesInNPlusThreeSteps)
{
    Run(30);  // page colour 0x070707 + 30 x 0x020202, panels 30 steps darker
    ASSERT_EQ(QuadColour(page_quad), 0x434343u);
    CreatePageTexture();
    pager_state = PAGER_FADE;
    Run(30);
    EXPECT_EQ(QuadColour(left_panel_quad), 0xFFFFFFu);
    EXPECT_EQ(QuadColour(page_quad), 0x070707u);
    Run(3);
    EXPECT_EQ(QuadColour(page_quad), 0x010101u);
    EXPECT_EQ(pager_state, PAGER_FADE);
    Run(1);
    EXPECT_EQ(pager_state, PAGER_PAUSE);
}

TEST_F(PagerTimeline, ResetDuringThePauseRestartsTheFiftyFramePause)
{
    Run(FADE_END + 20);
    ASSERT_EQ(pager_state, PAGER_PAUSE);
    CreatePageTexture();
    pager_state = PAGER_FADE;
    Run(1);  // the page is already at 0x010101: the fade leaves at once
    EXPECT_EQ(pager_state, PAGER_PAUSE);
    EXPECT_EQ(pager_wait, 49);
    Run(49);
    EXPECT_EQ(pager_state, PAGER_PAUSE);
    Run(1);
    EXPECT_EQ(pager_state, PAGER_COMPOSE);
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
}

TEST_F(PagerTimeline, PauseWrapsTheCursorOnlyAtTheEndOfTheText)
{
    pager_state = PAGER_PAUSE;
    pager_wait = 0;
    text_cursor = 3 * CHARS_PER_PAGE;
    Run(1);
    EXPECT_EQ(text_cursor, uint32_t(3 * CHARS_PER_PAGE));
    pager_state = PAGER_PAUSE;
    pager_wait = 0;
    text_cursor = 1512;
    Run(1);
    EXPECT_EQ(text_cursor, 0u);
    // A cursor beyond the text (never reached in a run) is brought back too, never read.
    pager_state = PAGER_PAUSE;
    pager_wait = 0;
    text_cursor = 100000;
    Run(2);
    EXPECT_EQ(text_cursor, uint32_t(CHARS_PER_PAGE));
}
