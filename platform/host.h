// The host: the few services of the machine underneath that the platform layer is built on.
// Three hosts implement this header, chosen at link time: platform/sdl (the real one: SDL2
// window, input, message boxes, vsync'd presentation, audio), platform/web (the browser: the
// page's canvas, dialogs and input, an AudioWorklet) and platform/headless (tests: scripted
// answers and input, captured frames, a virtual audio clock, forced device loss).
// In the SDL host the display calls are in sdl_display.cpp, the audio calls in sdl_audio.cpp
// and the rest in sdl_host.cpp; in the web host they are in web_display.cpp, web_audio.cpp and
// web_host.cpp; in the headless host the audio calls are in headless_audio.cpp and the rest in
// headless_host.cpp. Nothing outside platform/ includes this header.
#pragma once

#include <cstdint>

enum HostEventKind {
    HOST_EVENT_KEY_DOWN,      // key = Win32 virtual-key code
    HOST_EVENT_LBUTTON_DOWN,  // x, y in window pixels
    HOST_EVENT_RBUTTON_DOWN,
    HOST_EVENT_CLOSE,  // the user asked the window manager to close the window
    HOST_EVENT_FOCUS_LOST,
    HOST_EVENT_FOCUS_GAINED,
    HOST_EVENT_MINIMISED,
    HOST_EVENT_RESTORED,
};

struct HostEvent {
    HostEventKind kind;
    int key;
    int x;
    int y;
};

// Screen size in pixels for GetSystemMetrics.
void HostScreenSize(int* width, int* height);

// A modal box; yes_no selects Yes/No buttons, else OK. Returns IDYES, IDNO or IDOK; when no
// box can be shown returns 0 (the caller's rules then apply: any answer but IDNO).
// text and caption are the bytes the system passed to MessageBoxA (Windows-1252); the host
// converts them for display.
int HostMessageBox(const char* text, const char* caption, bool yes_no);

// The one window. Created hidden; shown by HostShowWindow.
bool HostCreateWindow(const char* title, int x, int y, int width, int height);
void HostShowWindow(bool visible);
void HostDestroyWindow();
void HostShowCursor(bool visible);

// Next pending input or window event, without waiting.
bool HostPollEvent(HostEvent* event);

// The display the device presents to. fullscreen: cover the screen, 4:3 kept, no mode switch.
// False when no display can be had (the device creation then fails).
bool HostOpenDisplay(bool fullscreen);
void HostCloseDisplay();
// True while presenting is possible; false while a full-screen display is minimised or has
// lost focus (the device is then lost).
bool HostDisplayUsable();
// Shows an 800 x 600 (width x height) 0x00RRGGBB picture, pitch in pixels, scaled into the
// window or the screen, and waits for the display's refresh.
void HostPresent(const uint32_t* pixels, int width, int height, int pitch);

// Audio: 16-bit stereo PCM at `rate`. `pull` is called from the host's audio thread (or, on
// the headless host, from the test moving the virtual clock) to fetch exactly `bytes` bytes.
// A null `destination` (the headless host's skip only) moves the device on by `bytes` as if
// it had played them, without copying anything.
typedef void (*HostAudioPull)(void* user, uint8_t* destination, int bytes);
bool HostOpenAudio(int rate, HostAudioPull pull, void* user);
void HostCloseAudio();

void HostSleep(uint32_t milliseconds);
