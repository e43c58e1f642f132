// Safe output for the tools that write a file (xm2wav's WAV, a video capture): nothing a user
// already has is lost by giving its path as the output.
// - A regular file is written into a temporary file in the same folder and renamed onto the
//   path only once everything was written; an existing file is replaced only when forced, keeps
//   its mode, and a read-only one is never replaced.
// - Anything else the path may name that can take a stream (a FIFO, a character device such as
//   /dev/null, or "-" for standard output) is opened and written directly, never replaced.
// - A symbolic link is followed: its target is what is written, or refused.
// - The input file given in the rules is never the output (same device and inode).
// - SIGINT, SIGTERM and SIGHUP remove the temporary file before the program ends by them.
// One output file is open at a time per program (the signal handlers know only one).
#pragma once

#include <cstdio>
#include <string>

struct OutputRules {
    bool force = false;      // replace an existing regular file
    std::string input_path;  // refused as the output (empty: none)
};

struct OutputFile {
    std::string path;       // as given
    std::string target;     // the file written: links followed ("-" for standard output)
    std::string temporary;  // written and renamed onto target at the end; empty: direct
    FILE* stream = nullptr;
    bool replaces = false;  // target exists and will be replaced
    std::string error;      // why it failed: one line without the path
};

// Opens the output. False with `error` set, and nothing created or touched, when refused.
bool OpenOutputFile(OutputFile* out, const std::string& path, const OutputRules& rules);
// True when the bytes go into a temporary file that can be rewound (not a stream).
bool OutputCanRewind(const OutputFile& out);
// Flushes and closes (standard output is flushed only) and renames the temporary file into
// place. False with `error` set when a write, the close or the rename failed; the temporary
// file is then removed.
bool FinishOutputFile(OutputFile* out);
// Closes and removes the temporary file: for a failed write or an interrupted render.
void AbandonOutputFile(OutputFile* out);
