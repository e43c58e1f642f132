// How the tools speak on standard error: one line "TOOL: SUBJECT: TEXT"; for a wrong command
// line the same line, a pointer to --help, and exit status 2.
#pragma once

#include <string>

void SayFor(const char* tool, const std::string& subject, const std::string& text);
// Returns 2, the exit status of wrong usage.
int UsageErrorFor(const char* tool, const std::string& subject, const std::string& reason);
// What getopt_long stopped at, after it returned ':' (value missing) or '?' (unknown option),
// as the user wrote it: "-x" for a short option, the whole word for a long one.
std::string OptionAsWritten(char** argv, int index, int short_option);
// The options every tool answers alike, for what getopt_long returned (with opterr 0 and a
// leading ':' in the short options): 'h' writes `help` and 'V' "TOOL VERSION" on standard
// output (exit status 0); ':' (a value missing) and anything else (an unknown option) are
// usage errors (exit status 2).
int AnswerCommonOption(const char* tool, const char* version, const char* help, int choice,
                       char** argv);
