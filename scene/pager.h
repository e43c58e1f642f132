// The text pager's state machine (pager.cpp): AdvancePager runs one step per frame, driving
// the panels, the page's colour, scale and turn through the five states of pager_state.h and
// having page_composer.cpp write and clear the page.
#pragma once

void AdvancePager();
