// The text pager's state and its start values.
#include "scene/pager_state.h"

PagerState pager_state = PAGER_COMPOSE;
float panel_phase = 0.0f;
int32_t pager_wait = 0;
uint32_t text_cursor = 0;
bool spin_enabled = false;

void ResetPagerState()
{
    pager_state = PAGER_COMPOSE;
    panel_phase = 0.0f;
    pager_wait = 0;
    text_cursor = 0;
    spin_enabled = false;
}
