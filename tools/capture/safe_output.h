// Writing the video file safely (safe_output.cpp): everything goes into a temporary file beside
// the destination, which is renamed into place only when the whole file was written. A failure,
// or SIGINT, SIGTERM or SIGHUP while writing, removes the temporary file, so the destination
// is either the finished file or left as it was.
#pragma once

#include <string>

struct SafeOutput {
    std::string destination;  // the final path
    std::string temporary;    // the file being written; empty when none is open
};

// Creates an empty temporary file in the destination's folder and arms the signal handlers
// that remove it. One at a time. False, with a reason, when the file cannot be created.
bool BeginSafeOutput(SafeOutput* output, const std::string& destination, std::string* error);
// Renames the temporary file into place (replacing an existing destination).
bool CommitSafeOutput(SafeOutput* output, std::string* error);
// Removes the temporary file, if any.
void AbandonSafeOutput(SafeOutput* output);
