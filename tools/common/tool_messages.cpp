#include "tools/common/tool_messages.h"

#include <getopt.h>

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

int AnswerCommonOption(const char* tool, const char* version, const char* help, int choice,
                       char** argv)
{
    switch (choice) {
    case 'h': std::fputs(help, stdout); return 0;
    case 'V': std::printf("%s %s\n", tool, version); return 0;
    case ':': return UsageErrorFor(tool, argv[optind - 1], "needs a value");
    default: return UsageErrorFor(tool, OptionAsWritten(argv, optind, optopt), "unknown option");
    }
}
