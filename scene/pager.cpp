// The text pager's state machine: one step per frame, run by RenderFrame after the scene has
// ended. The states are tested in their numeric order, so a state entered during a step runs
// its own step in the same frame when it comes later in that order: the composed page makes
// its first reveal step at once, the end of the reveal makes the first show step, and so on;
// only the end of the pause waits for the next frame to compose.
#include "scene/pager.h"

#include <cmath>

#include "assets/assets.h"
#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "scene/page_composer.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"

namespace {

constexpr float REVEAL_STEP = 0.035f;
constexpr float REVEAL_END = 3.15f;
constexpr float BLEND_FROM = 1.7f;
constexpr double PANEL_SWING = 340.0;
constexpr int32_t SHOW_FRAMES = 500;
constexpr int32_t PAUSE_FRAMES = 50;
constexpr float FADE_GROWTH = 0.09f;
constexpr float FADE_TURN = 0.05f;

// Vertex colours: red, green and blue move together by 2 per step.
constexpr D3DCOLOR COLOUR_STEP = 0x020202;
constexpr D3DCOLOR PANEL_BRIGHT = 0xFFFFFF;
constexpr D3DCOLOR PAGE_DARK = 0x070707;
constexpr D3DCOLOR PAGE_FADED = 0x010101;

void ClosePanels()
{
    left_panel_x = LEFT_PANEL_CLOSED_X;
    right_panel_x = RIGHT_PANEL_CLOSED_X;
}

// Swings the panels open and shut along sin t while the panels darken and the page brightens.
// The blend state set here governs the next frame's page and panel draws: opaque panels over
// the page at first, added onto it from t = 1.7 on.
void StepReveal()
{
    if (panel_phase >= REVEAL_END) {
        ClosePanels();
        pager_wait = SHOW_FRAMES;
        pager_state = PAGER_SHOW;
        return;
    }
    if (device)
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, panel_phase >= BLEND_FROM ? TRUE : FALSE);
    const double swing = PANEL_SWING * std::sin(static_cast<double>(panel_phase));
    left_panel_x = static_cast<float>(LEFT_PANEL_CLOSED_X - swing);
    right_panel_x = static_cast<float>(RIGHT_PANEL_CLOSED_X + swing);
    for (int k = 0; k < 4; ++k) {
        left_panel_quad[k].diffuse -= COLOUR_STEP;
        right_panel_quad[k].diffuse -= COLOUR_STEP;
        page_quad[k].diffuse += COLOUR_STEP;
    }
    panel_phase += REVEAL_STEP;
}

void StepShow()
{
    if (pager_wait == 0) {
        panel_phase = 0.0f;
        pager_state = PAGER_FADE;
    }
    --pager_wait;
}

// Brings the panels back to full brightness, darkens the page to 0x010101 while it grows and,
// every other page, turns. The page's four vertices always share one colour; its channels stay
// odd, so 0x010101 is always met.
void StepFade()
{
    if (page_quad[0].diffuse == PAGE_FADED) {
        ClosePanels();
        pager_wait = PAUSE_FRAMES;
        pager_state = PAGER_PAUSE;
        return;
    }
    for (int k = 0; k < 4; ++k) {
        if (left_panel_quad[k].diffuse != PANEL_BRIGHT) {
            left_panel_quad[k].diffuse += COLOUR_STEP;
            right_panel_quad[k].diffuse += COLOUR_STEP;
        }
        page_quad[k].diffuse -= COLOUR_STEP;
    }
    page_scale += FADE_GROWTH;
    if (spin_enabled) page_angle += FADE_TURN;
}

// Waits, then clears the page and sets everything up for the next one, which is composed in
// the following frame.
void StepPause()
{
    if (pager_wait == 0) {
        ClearPage();
        for (int k = 0; k < 4; ++k) {
            left_panel_quad[k].diffuse = PANEL_BRIGHT;
            right_panel_quad[k].diffuse = PANEL_BRIGHT;
            page_quad[k].diffuse = PAGE_DARK;
        }
        if (text_cursor >= sizeof(page_text) - 1 || page_text[text_cursor] == '\0') text_cursor = 0;
        pager_state = PAGER_COMPOSE;
        panel_phase = 0.0f;
        page_scale = 1.0f;
        spin_enabled = !spin_enabled;
        page_angle = 0.0f;
    }
    --pager_wait;
}

}  // namespace

void AdvancePager()
{
    if (pager_state == PAGER_COMPOSE) {
        ComposePage();
        pager_state = PAGER_REVEAL;
    }
    if (pager_state == PAGER_REVEAL) StepReveal();
    if (pager_state == PAGER_SHOW) StepShow();
    if (pager_state == PAGER_FADE) StepFade();
    if (pager_state == PAGER_PAUSE) StepPause();
}
