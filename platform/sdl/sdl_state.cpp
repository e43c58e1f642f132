// The SDL host's shared record and SDL's video and audio subsystems, held by reference count
// so that the window, the display, the audio device and the start-up check can each take
// what they need and SDL shuts down once nobody holds anything.
#include "platform/sdl/sdl_state.h"

#include <cstring>

namespace {

void ShutDownIfUnused(SdlHost& host)
{
    if (host.video_users == 0 && host.audio_users == 0) SDL_Quit();
}

// Gives back one use of an SDL subsystem: the last one quits it, and SDL once nothing is held.
void Release(SdlHost& host, int* users, Uint32 subsystem)
{
    if (*users == 0) return;
    if (--*users == 0) {
        SDL_QuitSubSystem(subsystem);
        ShutDownIfUnused(host);
    }
}

// SDL falls back to drawing into memory when there is no display; for the user that is no
// display at all (an invisible full-screen intro nobody can close), so unless that driver was
// asked for by name it counts as a failed start.
bool IsInvisibleFallback()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_getenv("SDL_VIDEODRIVER") != nullptr) return false;
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

}  // namespace

SdlHost& TheSdlHost()
{
    static SdlHost host;
    return host;
}

bool AcquireVideo()
{
    SdlHost& host = TheSdlHost();
    if (host.video_users == 0) {
        bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (started && IsInvisibleFallback()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            started = false;
        }
        if (!started) {
            ShutDownIfUnused(host);
            return false;
        }
    }
    host.video_users++;
    return true;
}

void ReleaseVideo()
{
    SdlHost& host = TheSdlHost();
    Release(host, &host.video_users, SDL_INIT_VIDEO);
}

bool AcquireAudio()
{
    SdlHost& host = TheSdlHost();
    if (host.audio_users == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        ShutDownIfUnused(host);
        return false;
    }
    host.audio_users++;
    return true;
}

void ReleaseAudio()
{
    SdlHost& host = TheSdlHost();
    Release(host, &host.audio_users, SDL_INIT_AUDIO);
}
