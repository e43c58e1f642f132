// The signals that ask a program on the SDL host to end (SIGTERM, SIGINT, SIGHUP): the intro
// closes its window as if the user had, or, while a message box is shown, ends at once; in
// both cases its exit status is that of the signal (128 + the signal's number in a shell).
// A message box of SDL's runs in a child process; it is made to die with the intro, however
// the intro ends (SIGKILL included).
#pragma once

// Installs the handlers (a signal the program was started with ignored stays ignored).
void SdlCatchEndSignals();

// The end signal received so far, or 0.
int SdlEndSignal();

// While a box is shown the main thread waits inside SDL: a signal then ends the process at once.
void SdlSetMessageBoxShowing(bool showing);

// Ends the process by the signal received, as its default action would; nothing when none was.
void SdlRaiseEndSignal();
