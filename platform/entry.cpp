// Process start-up of the intro on this platform: the SDL host checks that there is a display
// to show it on and takes over the end signals, then the entry function runs with the default show
// command and its result is the exit code. The command line is not looked at (its first word only
// names the program in the no-display message).
#include "platform/platform_api.h"
#include "platform/sdl/sdl_signals.h"
#include "platform/sdl/sdl_startup.h"

int main(int argc, char** argv)
{
    if (!SdlStartUp("intro", argc > 0 ? argv[0] : "intro")) return 1;
    char no_command_line[] = "";
    int result = WinMain(nullptr, nullptr, no_command_line, SW_SHOWDEFAULT);
    // Ended by SIGTERM, SIGINT or SIGHUP (the window closed in order): end as that signal does.
    SdlRaiseEndSignal();
    return result;
}
