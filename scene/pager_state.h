// The text pager's state (pager_state.cpp): which of its five states it is in and the values
// it carries from frame to frame. Module-level, main thread only, kept across device resets.
// ResetPagerState puts them back to their start values, for programs that run the pager or
// the intro more than once in one process (tests, benchmarks, tools).
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
// The reveal's parameter t.
extern float panel_phase;
// Frames left in the show and pause states.
extern int32_t pager_wait;
// Index in page_text of the next character to draw; kept from page to page.
extern uint32_t text_cursor;
// Whether the page turns while it fades; flips after every page.
extern bool spin_enabled;

// Every pager value back to its start: PAGER_COMPOSE, t 0, no wait, the first page, no turn.
void ResetPagerState();
