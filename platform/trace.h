// A trace of what the platform layer does that cannot be seen from outside (a lost device,
// a Reset, the resources alive): one line per event on standard error, only when the
// environment variable INTRO_PLATFORM_TRACE is set and not empty. For the end-to-end tests and
// for looking into a running intro; off, it costs one test of a flag.
#pragma once

void PlatformTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
