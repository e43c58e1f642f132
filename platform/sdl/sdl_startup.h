// What a program on the SDL host (the intro) checks before its entry function runs.
#pragma once

// Opens the display (SDL's video, held until the process ends) and names the program in the
// host's own messages.
// False when there is none: one line on standard error has said so and how to run `command`
// (the program as it was started) on a virtual display.
bool SdlStartUp(const char* program, const char* command);

// The name given to SdlStartUp, or null when no program called it (tools, tests).
const char* SdlProgramName();
