// The SDL host's start-up check. Without a display SDL would try every video driver it knows,
// each library printing its own complaint, and the intro would then end silently; instead the
// user gets one line that says what is missing and how to run it.
#include "platform/sdl/sdl_startup.h"

#include <cstdio>
#include <cstdlib>

#include "platform/sdl/quiet_stderr.h"
#include "platform/sdl/sdl_signals.h"
#include "platform/sdl/sdl_state.h"

namespace {

const char* program_name = nullptr;

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

}  // namespace

const char* SdlProgramName() { return program_name; }

bool SdlStartUp(const char* program, const char* command)
{
    program_name = program;
    SdlCatchEndSignals();
    bool wayland = Set("WAYLAND_DISPLAY");
    bool x11 = Set("DISPLAY");
    if (!Set("SDL_VIDEODRIVER")) {
        if (!wayland && !x11) {
            std::fprintf(stderr,
                         "%s: no display: run it in a desktop session, or under a virtual X "
                         "server: xvfb-run -a %s\n",
                         program, command);
            return false;
        }
        // An X display only: do not let SDL fall through to Wayland when it cannot be opened.
        if (!wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    }
    // Held until the process ends: one connection to the display for the whole run. Opening
    // and closing it again and again (the screen size, the window) fails now and then on a
    // virtual X server that is asked too quickly.
    bool opened;
    {
        QuietStderr quiet;
        opened = AcquireVideo();
    }
    if (!opened) {
        const char* display = std::getenv(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
        std::fprintf(stderr, "%s: cannot open the display %s: is a display server running there?\n",
                     program, display != nullptr ? display : "");
        return false;
    }
    return true;
}
