// Process start-up of the intro in the page: the entry function runs on the program's own
// thread with the default show command; when it returns the page offers to run it again.
#include "platform/platform_api.h"
#include "platform/web/web_page.h"

int main()
{
    char no_command_line[] = "";
    const int result = WinMain(nullptr, nullptr, no_command_line, SW_SHOWDEFAULT);
    WebPageEnded(result);
    return result;
}
