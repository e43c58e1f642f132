// The web host's side of the page: the calls the page's script (site/intro_page.js, on the
// browser's main thread) makes into the program, and the calls the host makes out to it.
//
// The program runs on a worker thread of its own (the intro's entry function blocks in its
// frame loop, which the browser's main thread must never do). The page turns canvas and
// keyboard events into host events, shows the message boxes as HTML dialogs, copies each
// presented picture onto the canvas at the display's refresh and plays the audio ring with an
// AudioWorklet. Everything the two sides share lives in the program's (shared) memory and is
// read and written atomically; the page never blocks.
#pragma once

#include <cstdint>

extern "C" {

// ---- Called by the page (exported to it) -------------------------------------------------

// An input or window event (HostEventKind, Win32 virtual-key code, window pixels).
void web_push_event(int kind, int key, int x, int y);
// The answer to the message box on show (IDYES, IDNO or IDOK).
void web_answer_box(int answer);
// The page is hidden (another tab, minimised) or visible again.
void web_set_hidden(int hidden);
// The number of the presented picture not yet shown on the canvas, or 0; its pixels (800 x
// 600, red green blue alpha bytes) are at web_picture() until web_picture_shown is called.
int web_picture_pending();
const uint8_t* web_picture();
void web_picture_shown(int frame);
// Tests: the program presents no more than `frames` pictures until the gate is moved on
// (a negative value opens it for good; open by default).
void web_set_frame_gate(int frames);
int web_frames_presented();
// How often the device was found lost (HostDisplayUsable answered false).
int web_lost_answers();
// The benchmark: the work of each of the last 1024 frames in milliseconds (rendering and the
// picture's conversion, without the wait for the display), frame k at k % 1024.
const float* web_frame_times();
int web_frames_timed();

}  // extern "C"

// ---- Called by the host (on the program's threads) ---------------------------------------

// The entry function has returned: the page offers to run the intro again.
void WebPageEnded(int exit_code);
