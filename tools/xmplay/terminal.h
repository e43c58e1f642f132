// The terminal xmplay runs in: keys read one at a time without echo while it plays, and the
// terminal given back exactly as it was found, also when an end signal (Ctrl-C, SIGTERM,
// SIGHUP) ends the program.
#pragma once

// Switches standard input, when it is a terminal, to single keys without echo, and catches the
// end signals. Nothing changes for a standard input that is no terminal.
void TakeTerminal();
// Restores what TakeTerminal changed.
void GiveBackTerminal();
// The next key pressed, or -1 when none is waiting (never blocks).
int ReadKey();
// The end signal received so far, or 0.
int EndSignal();
// Ends the process by that signal, as its default action would (after GiveBackTerminal).
void EndBySignal(int signal_number);
