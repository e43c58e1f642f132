// The temporary file's name is also kept in a fixed buffer that a signal handler may read:
// on SIGINT, SIGTERM or SIGHUP the handler unlinks it (an async-signal-safe call), restores
// the signal's default action and raises it again, so the process still ends as the signal
// asks.
#include "tools/capture/safe_output.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int CLEANUP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// Written only while the handlers are not armed for it (an empty first byte disarms them).
char pending_path[4096];
volatile sig_atomic_t pending_armed = 0;

void RemovePendingAndDie(int signal_number)
{
    if (pending_armed) unlink(pending_path);
    std::signal(signal_number, SIG_DFL);
    raise(signal_number);
}

void ArmCleanup(const std::string& path)
{
    pending_armed = 0;
    std::memcpy(pending_path, path.c_str(), path.size() + 1);
    pending_armed = 1;
    for (int signal_number : CLEANUP_SIGNALS) {
        struct sigaction action = {};
        action.sa_handler = RemovePendingAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(signal_number, &action, nullptr);
    }
}

void DisarmCleanup()
{
    pending_armed = 0;
    for (int signal_number : CLEANUP_SIGNALS) std::signal(signal_number, SIG_DFL);
}

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

bool BeginSafeOutput(SafeOutput* output, const std::string& destination, std::string* error)
{
    output->destination = destination;
    output->temporary.clear();
    std::string pattern = destination + ".partial-XXXXXX";
    if (pattern.size() >= sizeof(pending_path)) {
        *error = "the file name is too long";
        return false;
    }
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // The signals wait while the file is created and the handlers armed for it, so no signal
    // can leave the file behind.
    sigset_t cleanup_signals, previous;
    sigemptyset(&cleanup_signals);
    for (int signal_number : CLEANUP_SIGNALS) sigaddset(&cleanup_signals, signal_number);
    pthread_sigmask(SIG_BLOCK, &cleanup_signals, &previous);
    const int fd = mkstemp(name.data());
    const int saved_errno = errno;
    if (fd >= 0) ArmCleanup(name.data());
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        errno = saved_errno;
        *error = ErrnoText("cannot create the output file");
        return false;
    }
    close(fd);
    output->temporary = name.data();
    // mkstemp creates the file for its owner only; give it the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(name.data(), 0666 & ~mask);
    return true;
}

bool CommitSafeOutput(SafeOutput* output, std::string* error)
{
    if (output->temporary.empty()) {
        *error = "no output file is open";
        return false;
    }
    if (std::rename(output->temporary.c_str(), output->destination.c_str()) != 0) {
        *error = ErrnoText("cannot rename the finished file into place");
        AbandonSafeOutput(output);
        return false;
    }
    DisarmCleanup();
    output->temporary.clear();
    return true;
}

void AbandonSafeOutput(SafeOutput* output)
{
    DisarmCleanup();
    if (!output->temporary.empty()) unlink(output->temporary.c_str());
    output->temporary.clear();
}
