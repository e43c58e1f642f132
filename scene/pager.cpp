// Stand-in until the pager lands: the state exists, the step does nothing.
#include "scene/pager.h"

PagerState pager_state = PAGER_COMPOSE;
float panel_phase = 0.0f;
int32_t pager_wait = 0;
uint32_t text_cursor = 0;
bool spin_enabled = false;

void AdvancePager() {}
