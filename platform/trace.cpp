#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

bool TraceOn()
{
    static const bool on = [] {
        const char* value = std::getenv("INTRO_PLATFORM_TRACE");
        return value != nullptr && value[0] != '\0';
    }();
    return on;
}

}  // namespace

void PlatformTrace(const char* format, ...)
{
    if (!TraceOn()) return;
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "platform: %s\n", line);
}
