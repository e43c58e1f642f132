// The headless host: implements host.h without any display, input device or sound card, so a
// test can run the whole intro frame by frame in-process. The test drives it through the
// free functions below (call them from the test's own thread, normally the main thread):
//
//   - scripted message-box answers (default IDNO, so the intro runs windowed) and a record of
//     every box shown;
//   - scripted input: events delivered at once, or once N frames have been presented;
//   - presented frames: a count, a copy of the last frame, a callback on every present;
//   - display control: screen size, whether a display can be opened, forced device loss;
//   - the window record (created, title, position, size, visible, cursor);
//   - a sleep log (requests are recorded; real sleeping is capped at a few ms);
//   - a virtual audio clock: nothing is pulled until the test calls HeadlessAdvanceAudio.
//
// HeadlessReset() returns everything to the initial state, so one test process can run the
// intro several times.
//
// Everything here is defined in headless_host.cpp except the audio part (the last section),
// which is in headless_audio.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"

// Everything back to the initial state: screen 1024 x 768, display available and usable,
// no queued answers, events, frames, boxes or sleeps, no window, audio closed and available.
void HeadlessReset();

// ---- Screen and display ----------------------------------------------------------------

// The size HostScreenSize reports (GetSystemMetrics). Default 1024 x 768.
void HeadlessSetScreenSize(int width, int height);
// When false, HostOpenDisplay fails (the Direct3D device cannot be created). Default true.
void HeadlessSetDisplayAvailable(bool available);
// True while a display is open (between HostOpenDisplay and HostCloseDisplay).
bool HeadlessDisplayOpen();
// The fullscreen argument of the last successful HostOpenDisplay.
bool HeadlessDisplayFullscreen();

// Forced device loss. Direct control: while false, HostDisplayUsable reports false.
void HeadlessSetDisplayUsable(bool usable);
// Scripted loss: once `after_frame` frames have been presented, the display becomes unusable
// for the next `unusable_queries` calls of HostDisplayUsable (frames cannot count the lost
// time, since nothing is presented while lost), then usable again. One loss at a time; a new
// call replaces a pending one.
void HeadlessScheduleDisplayLoss(int after_frame, int unusable_queries);
// How many times HostDisplayUsable answered false since the reset.
int HeadlessDisplayUnusableAnswers();

// ---- Message boxes --------------------------------------------------------------------

struct HeadlessMessageBoxRecord {
    std::string text;     // bytes exactly as passed to HostMessageBox (Windows-1252)
    std::string caption;  // likewise
    bool yes_no;          // Yes/No buttons (else OK)
    int answer;           // what the host returned
};

// Queue the answer of the next box (IDYES, IDNO, IDOK, or 0 for "no box could be shown").
// When the queue is empty a Yes/No box answers IDNO and an OK box answers IDOK.
void HeadlessQueueMessageBoxAnswer(int answer);
// Every box shown since the reset, in order.
std::vector<HeadlessMessageBoxRecord> HeadlessMessageBoxes();

// ---- Input ----------------------------------------------------------------------------

// Delivered by the next HostPollEvent calls, in the order pushed.
void HeadlessPushEvent(const HostEvent& event);
// Delivered once `after_frame` frames have been presented (0: at once), after any events
// pushed for immediate delivery; events due at the same frame keep the order scheduled.
void HeadlessScheduleEvent(int after_frame, const HostEvent& event);
// Shorthands for the common events.
HostEvent HeadlessKeyDown(int virtual_key);
HostEvent HeadlessLeftClick(int x, int y);
HostEvent HeadlessRightClick(int x, int y);
HostEvent HeadlessCloseRequest();
// Events not yet delivered (pushed or scheduled).
int HeadlessPendingEvents();

// ---- Presented frames -----------------------------------------------------------------

// Number of HostPresent calls since the reset.
int HeadlessFrameCount();
// Copy of the last presented picture, width x height pixels 0x00RRGGBB without padding
// (empty before the first present).
std::vector<uint32_t> HeadlessLastFrame();
// Whether presents keep that copy (default true). A benchmark turns it off to time a frame
// without the test host's own copy of it.
void HeadlessKeepLastFrame(bool keep);
int HeadlessLastFrameWidth();
int HeadlessLastFrameHeight();
// Called on every present, on the presenting thread, with the frame's number (1 for the
// first) and its pixels as given to HostPresent. An empty function removes it.
typedef std::function<void(int frame, const uint32_t* pixels, int width, int height, int pitch)>
    HeadlessFrameCallback;
void HeadlessSetFrameCallback(HeadlessFrameCallback callback);

// ---- Window ---------------------------------------------------------------------------

struct HeadlessWindowRecord {
    bool created = false;    // HostCreateWindow called and not yet destroyed
    bool destroyed = false;  // HostDestroyWindow called since the last creation
    std::string title;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool visible = false;
    bool cursor_visible = true;
    int create_count = 0;  // windows created since the reset
};
HeadlessWindowRecord HeadlessWindow();

// ---- Sleeping -------------------------------------------------------------------------

// Every HostSleep request since the reset, from any thread, in order.
std::vector<uint32_t> HeadlessSleepRequests();
// How many requests asked for exactly `milliseconds`.
int HeadlessSleepCount(uint32_t milliseconds);
// The longest real sleep HostSleep does (default 2 ms; 0 = only yield the processor).
void HeadlessSetSleepCap(uint32_t milliseconds);

// ---- Audio ----------------------------------------------------------------------------

// When false, HostOpenAudio fails (waveOutOpen then fails). Default true.
void HeadlessSetAudioAvailable(bool available);
bool HeadlessAudioOpen();
int HeadlessAudioRate();
// Pull `bytes` bytes through the registered pull callback, on the calling thread, and return
// them (also appended to the captured audio). With no audio open, returns `bytes` zero bytes
// and pulls nothing. The bytes are pulled in pieces of at most 4096 like a sound card would.
std::vector<uint8_t> HeadlessAdvanceAudio(int bytes);
// Moves the device on by `bytes` as if it had played them, in one step, copying and capturing
// nothing: a test reaches hours of play at once. Skip whole passes of a looping buffer, so
// that what plays next does not change.
void HeadlessSkipAudio(int bytes);
// Everything pulled since the reset, and the total pulled.
std::vector<uint8_t> HeadlessCapturedAudio();
uint64_t HeadlessAudioBytesPulled();
