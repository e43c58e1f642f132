// Running the whole intro (WinMain) on the headless host from a test, several times in one
// process: every piece of module-level state goes back to its start value first.
#pragma once

#include <cstdlib>

#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/headless/headless.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"

inline void ResetIntroState()
{
    HeadlessReset();
    HeadlessSetSleepCap(0);
    // Most runs need no music; the runs that check it turn audio back on.
    HeadlessSetAudioAvailable(false);
    ReleaseGraphics();
    windowed = false;
    ResetSceneState();
    ResetPagerState();
    // An unseeded generator behaves as if seeded with 1.
    std::srand(1);
}

// Runs the intro until it returns; Escape is delivered after `frames` presented frames.
inline int RunIntroFor(int frames)
{
    HeadlessScheduleEvent(frames, HeadlessKeyDown(VK_ESCAPE));
    char command_line[] = "";
    return WinMain(nullptr, nullptr, command_line, SW_SHOWDEFAULT);
}
