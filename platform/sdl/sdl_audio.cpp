// The SDL2 host's audio device: exactly 16-bit stereo little-endian PCM at the rate asked,
// pulled by SDL's audio thread through the platform layer's callback.
#include <cstdio>

#include "platform/host.h"
#include "platform/sdl/quiet_stderr.h"
#include "platform/sdl/sdl_startup.h"
#include "platform/sdl/sdl_state.h"

namespace {

// About 23 ms at 44100 Hz: small, so the play position the system reads follows what is heard.
const Uint16 DEVICE_BUFFER_FRAMES = 1024;

struct SdlAudio {
    SDL_AudioDeviceID device = 0;
    HostAudioPull pull = nullptr;
    void* user = nullptr;
};

SdlAudio audio;

void SDLCALL FeedDevice(void*, Uint8* stream, int length)
{
    // pull and user are set before the device starts and cleared only after it is closed.
    audio.pull(audio.user, stream, length);
}

// The intro runs on without sound when there is no sound device; it says so once.
void SayNoSound()
{
    static bool said = false;
    if (said || SdlProgramName() == nullptr) return;
    said = true;
    std::fprintf(stderr, "%s: no sound device: running without sound\n", SdlProgramName());
}

// Opens the default device for exactly `rate` Hz 16-bit stereo, pulled by FeedDevice; 0 when
// there is none. No changes are allowed: SDL converts if the card differs, or the open fails.
SDL_AudioDeviceID OpenDevice(int rate)
{
    if (!AcquireAudio()) return 0;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = DEVICE_BUFFER_FRAMES;
    wanted.callback = FeedDevice;
    SDL_AudioSpec got{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
    if (device != 0 && (got.freq != rate || got.format != AUDIO_S16LSB || got.channels != 2)) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    if (device == 0) ReleaseAudio();
    return device;
}

}  // namespace

bool HostOpenAudio(int rate, HostAudioPull pull, void* user)
{
    if (audio.device != 0 || pull == nullptr || rate <= 0) return false;
    // FeedDevice reads these as soon as the device runs.
    audio.pull = pull;
    audio.user = user;
    {
        // The drivers SDL tries in turn report their own failures on standard error.
        QuietStderr quiet;
        audio.device = OpenDevice(rate);
    }
    if (audio.device == 0) {
        audio.pull = nullptr;
        audio.user = nullptr;
        SayNoSound();
        return false;
    }
    SDL_PauseAudioDevice(audio.device, 0);
    return true;
}

void HostCloseAudio()
{
    if (audio.device == 0) return;
    // Returns once the audio thread has stopped: no pull runs after this.
    SDL_CloseAudioDevice(audio.device);
    audio.device = 0;
    audio.pull = nullptr;
    audio.user = nullptr;
    ReleaseAudio();
}
