// The text pager: composes pages of text from the font strip into page_texture and drives
// the panels, the page's colour, scale and turn through five states, one step per frame.
#pragma once

#include <cstdint>

enum PagerState : uint8_t {
    PAGER_COMPOSE = 0,
    PAGER_REVEAL = 1,
    PAGER_SHOW = 2,
    PAGER_FADE = 3,
    PAGER_PAUSE = 4,
};

extern PagerState pager_state;
extern float panel_phase;
extern int32_t pager_wait;
extern uint32_t text_cursor;
extern bool spin_enabled;

void AdvancePager();

// The pager's two texture writers, used by AdvancePager (and by tests):
// ComposePage draws the next page (six lines of 36 characters from text_cursor) into
// page_texture and moves text_cursor past it; ClearPage sets every texel of page_texture to 0.
// When the texture cannot be locked neither writes anything.
void ComposePage();
void ClearPage();
