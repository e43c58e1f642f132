// Private to the SDL host: the record of the one window and its display, and the reference
// counts on SDL's subsystems (defined in sdl_state.cpp), shared by the window, display, audio
// and start-up files. Everything runs on the main thread except the audio callback, which
// only touches the audio record (sdl_audio.cpp).
#pragma once

#include <SDL.h>

#include <chrono>
#include <vector>

#include "platform/sdl/picture_scale.h"

struct SdlHost {
    int video_users = 0;  // SDL's video subsystem is held while this is above 0
    int audio_users = 0;
    SDL_Window* window = nullptr;
    // The display (sdl_display.cpp): a renderer and its texture where a graphics processor
    // draws them, else the window's own surface (sdl_present.h).
    bool display_open = false;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    PictureScale scale;
    std::vector<uint32_t> converted;  // the scaled picture, for a surface of another format
    std::chrono::steady_clock::time_point next_refresh{};
    bool fullscreen = false;
    // Where the window was before going full screen, to return there.
    int windowed_x = 0;
    int windowed_y = 0;
    int windowed_width = 0;
    int windowed_height = 0;
    bool minimised = false;
    bool focus_lost = false;
    bool cursor_visible = true;
    bool end_signal_delivered = false;  // an end signal was turned into a close request
};

SdlHost& TheSdlHost();

// Reference-counted start and stop of SDL's video and audio subsystems; SDL itself is shut
// down when neither is held any more.
bool AcquireVideo();
void ReleaseVideo();
bool AcquireAudio();
void ReleaseAudio();
