// Process start-up on this platform: the entry function runs with the default show command
// and its result is the exit code. The command line is not looked at.
#include "platform/platform_api.h"

int main()
{
    char no_command_line[] = "";
    return WinMain(nullptr, nullptr, no_command_line, SW_SHOWDEFAULT);
}
