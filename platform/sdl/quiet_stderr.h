// Standard error sent to /dev/null for a while: the system libraries SDL loads while it looks
// for a display or a sound device (Wayland, ALSA) print their own failures there, which tell
// a user nothing. Only the main thread uses it, before any other thread of ours runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

struct QuietStderr {
    int saved = -1;
    QuietStderr()
    {
        int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null_fd < 0) return;
        saved = dup(STDERR_FILENO);
        if (saved >= 0) dup2(null_fd, STDERR_FILENO);
        close(null_fd);
    }
    ~QuietStderr()
    {
        if (saved < 0) return;
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;
};
