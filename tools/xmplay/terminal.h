// The terminal xmplay runs in: keys read one at a time without echo while it plays, and the
// terminal given back exactly as it was found, also when an end signal (Ctrl-C, SIGTERM,
// SIGHUP) ends the program.
#pragma once

// Switches standard input, when it is a terminal, to single keys without echo, and catches the
// end signals. Nothing changes for a standard input that is no terminal.
void TakeTerminal();
// Restores what TakeTerminal changed.
void GiveBackTerminal();
// The arrow keys, as ReadKey gives them (above every byte value).
constexpr int KEY_LEFT = 0x100;
constexpr int KEY_RIGHT = 0x101;
// The next key pressed: a byte, KEY_LEFT or KEY_RIGHT (other escape sequences are read whole
// and skipped), or -1 when none is waiting (never blocks for long).
int ReadKey();
// The width of the terminal standard error is, in columns; 80 when it cannot be told. Asked
// anew at every call, so that a resized terminal is followed.
int TerminalColumns();
// The end signal received so far, or 0.
int EndSignal();
// Ends the process by that signal, as its default action would (after GiveBackTerminal).
void EndBySignal(int signal_number);
