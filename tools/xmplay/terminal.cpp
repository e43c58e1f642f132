// Raw keys and end signals for the terminal player.
#include "tools/xmplay/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

namespace {

const int END_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

struct TerminalState {
    bool taken = false;
    termios saved{};
};
TerminalState terminal;
volatile sig_atomic_t end_signal = 0;

void OnEndSignal(int signal_number) { end_signal = signal_number; }

}  // namespace

void TakeTerminal()
{
    for (int signal_number : END_SIGNALS) {
        struct sigaction action {};
        sigaction(signal_number, nullptr, &action);
        if (action.sa_handler == SIG_IGN) continue;  // nohup stays nohup
        action = {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal_number, &action, nullptr);
    }
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &terminal.saved) != 0) return;
    termios raw = terminal.saved;
    // Keys one by one, not echoed; Ctrl-C still raises SIGINT.
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) terminal.taken = true;
}

void GiveBackTerminal()
{
    if (!terminal.taken) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &terminal.saved);
    terminal.taken = false;
}

namespace {

constexpr int ESCAPE = 0x1b;
// The rest of an escape sequence follows its first byte at once; a lone Escape does not.
constexpr int SEQUENCE_WAIT_MS = 10;

int ReadByte(int wait_ms)
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, wait_ms) <= 0) return -1;
    unsigned char key = 0;
    if (read(STDIN_FILENO, &key, 1) != 1) return -1;
    return key;
}

// After ESC: "[" or "O", then parameters (digits, ';') and a final byte; C and D are the right
// and left arrows. Anything else is read up to its end and given as ESCAPE.
int ReadEscapeSequence()
{
    const int introducer = ReadByte(SEQUENCE_WAIT_MS);
    if (introducer != '[' && introducer != 'O') return ESCAPE;
    int final_byte = ReadByte(SEQUENCE_WAIT_MS);
    while ((final_byte >= '0' && final_byte <= '9') || final_byte == ';') {
        final_byte = ReadByte(SEQUENCE_WAIT_MS);
    }
    if (final_byte == 'C') return KEY_RIGHT;
    if (final_byte == 'D') return KEY_LEFT;
    return ESCAPE;
}

}  // namespace

int ReadKey()
{
    if (!terminal.taken) return -1;
    const int key = ReadByte(0);
    return key == ESCAPE ? ReadEscapeSequence() : key;
}

int TerminalColumns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

int EndSignal() { return end_signal; }

void EndBySignal(int signal_number)
{
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}
