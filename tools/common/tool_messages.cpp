#include "tools/common/tool_messages.h"

#include <cstdio>

void SayFor(const char* tool, const std::string& subject, const std::string& text)
{
    std::fprintf(stderr, "%s: %s: %s\n", tool, subject.c_str(), text.c_str());
}

int UsageErrorFor(const char* tool, const std::string& subject, const std::string& reason)
{
    SayFor(tool, subject, reason);
    std::fprintf(stderr, "Try '%s --help' for more information.\n", tool);
    return 2;
}

std::string OptionAsWritten(char** argv, int index, int short_option)
{
    if (short_option == 0) return argv[index - 1];
    std::string text = "-";
    text += static_cast<char>(short_option);
    return text;
}
