// The SDL2 host's audio device: exactly 16-bit stereo little-endian PCM at the rate asked,
// pulled by SDL's audio thread through the platform layer's callback.
#include "platform/host.h"
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

}  // namespace

bool HostOpenAudio(int rate, HostAudioPull pull, void* user)
{
    if (audio.device != 0 || pull == nullptr || rate <= 0 || !AcquireAudio()) return false;
    audio.pull = pull;
    audio.user = user;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = DEVICE_BUFFER_FRAMES;
    wanted.callback = FeedDevice;
    SDL_AudioSpec got{};
    // No changes allowed: SDL converts if the card differs, or the open fails.
    audio.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
    if (audio.device != 0 &&
        (got.freq != rate || got.format != AUDIO_S16LSB || got.channels != 2)) {
        SDL_CloseAudioDevice(audio.device);
        audio.device = 0;
    }
    if (audio.device == 0) {
        audio.pull = nullptr;
        audio.user = nullptr;
        ReleaseAudio();
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
