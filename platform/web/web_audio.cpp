// The web host's sound device: an AudioWorklet on the page plays a ring of 16-bit stereo
// frames kept in the program's shared memory; a thread of ours (the pump) pulls PCM from the
// platform layer into the ring, keeping it a little ahead of what the worklet has played.
// Two counters, both in frames and only ever growing, pace the two sides: `written` (moved
// by the pump) and `played` (moved by the worklet, read here with Atomics' ordering).
// The platform layer's position is what has been pulled: at most the pump's lead (about
// 186 ms) ahead of what the worklet has played.
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>

#include "platform/host.h"

namespace {

const int BYTES_PER_FRAME = 4;
const uint32_t RING_FRAMES = 16384;  // a power of two, as the worklet indexes it by a mask
// How far the pump stays ahead of the worklet: enough for the pump's worker to wait that long
// for a processor on a busy machine without the worklet running dry.
const uint32_t LEAD_FRAMES = 8192;
const uint32_t PULL_FRAMES = 1024;   // the largest piece pulled at once
const uint32_t PUMP_PAUSE_MS = 2;

struct WebAudio {
    int16_t ring[RING_FRAMES * 2];
    // [0] frames written by the pump, [1] frames played by the worklet (read by the worklet
    // as a pair of 32-bit integers; they wrap after 27 hours, and only differences count).
    std::atomic<uint32_t> counters[2];
    std::atomic<bool> running{false};
    pthread_t pump{};
    HostAudioPull pull = nullptr;
    void* user = nullptr;
};

WebAudio audio;

void* Pump(void*)
{
    while (audio.running.load()) {
        const uint32_t written = audio.counters[0].load();
        const uint32_t played = audio.counters[1].load();
        const uint32_t lead = written - played;
        if (lead >= LEAD_FRAMES) {
            emscripten_thread_sleep(PUMP_PAUSE_MS);
            continue;
        }
        const uint32_t at = written % RING_FRAMES;
        const uint32_t frames = std::min({LEAD_FRAMES - lead, PULL_FRAMES, RING_FRAMES - at});
        audio.pull(audio.user, reinterpret_cast<uint8_t*>(audio.ring + 2 * at),
                   int(frames) * BYTES_PER_FRAME);
        audio.counters[0].store(written + frames);
    }
    return nullptr;
}

}  // namespace

bool HostOpenAudio(int rate, HostAudioPull pull, void* user)
{
    if (audio.running.load() || pull == nullptr || rate <= 0) return false;
    audio.pull = pull;
    audio.user = user;
    audio.counters[0].store(0);
    audio.counters[1].store(0);
    const int started = MAIN_THREAD_EM_ASM_INT(
        { return OrvantheAudio.start($0, $1, $2, $3) ? 1 : 0; }, rate, audio.ring,
        RING_FRAMES, audio.counters);
    if (!started) return false;
    audio.running.store(true);
    if (pthread_create(&audio.pump, nullptr, Pump, nullptr) != 0) {
        audio.running.store(false);
        MAIN_THREAD_EM_ASM({ OrvantheAudio.stop(); });
        return false;
    }
    return true;
}

void HostCloseAudio()
{
    if (!audio.running.load()) return;
    audio.running.store(false);
    // Returns once the pump has stopped: no pull runs after this.
    pthread_join(audio.pump, nullptr);
    MAIN_THREAD_EM_ASM({ OrvantheAudio.stop(); });
    audio.pull = nullptr;
    audio.user = nullptr;
}
