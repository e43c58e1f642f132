// The application shell's pieces: the window procedure, the frame loop with its device
// recovery, the bubble start positions and the music start and stop.
#pragma once

#include "platform/platform_api.h"

struct Song;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Dispatches messages and draws frames until WM_QUIT; returns the WM_QUIT message's wParam.
WPARAM RunFrameLoop(HWND window);

// Releases the device's resources, resets the device, re-creates them and puts the pager
// into its fade state (the page texture comes back blank).
void RecoverDevice(HWND window);

// Fills sprite_positions from the runtime's generator, x then y for each bubble.
void FillSpritePositions();

// Registers the memory source, loads the embedded module and starts playing it. Returns
// the song, or none when it could not be loaded.
Song* StartMusic();
// Stops the playback that StartMusic began and frees the song.
void StopMusic(Song* song);
