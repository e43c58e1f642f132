// End signals on the SDL host. SDL's own handlers turn SIGTERM and SIGINT into a quit event,
// which nobody reads while a message box is up (SDL shows it from a forked child and waits for
// that child), so they are replaced by ours.
#include "platform/sdl/sdl_signals.h"

#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

#include "platform/sdl/sdl_state.h"

namespace {

const int END_SIGNALS[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t end_signal = 0;
volatile sig_atomic_t box_showing = 0;
pid_t forking_parent = 0;

void EndByDefaultAction(int signal_number)
{
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void OnEndSignal(int signal_number)
{
    if (box_showing) EndByDefaultAction(signal_number);
    end_signal = signal_number;
}

// A child forked by SDL (its message box) dies with the process that forked it, even when
// that one is killed outright and runs no code of its own any more.
void BeforeFork() { forking_parent = getpid(); }
void InChild()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != forking_parent) _exit(1);  // the parent died before prctl took effect
}

}  // namespace

void SdlCatchEndSignals()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    pthread_atfork(BeforeFork, nullptr, InChild);
    for (int signal_number : END_SIGNALS) {
        struct sigaction action {};
        sigaction(signal_number, nullptr, &action);
        if (action.sa_handler == SIG_IGN) continue;  // e.g. SIGHUP under nohup
        action = {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal_number, &action, nullptr);
    }
}

int SdlEndSignal() { return end_signal; }

void SdlSetMessageBoxShowing(bool showing)
{
    box_showing = showing ? 1 : 0;
    if (showing && end_signal != 0) EndByDefaultAction(end_signal);
}

void SdlRaiseEndSignal()
{
    if (end_signal != 0) EndByDefaultAction(end_signal);
}
