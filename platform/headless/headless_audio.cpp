// The headless host's virtual audio clock: the device opens (unless the test says it
// cannot) but never pulls by itself; the test moves the clock with HeadlessAdvanceAudio,
// which pulls through the registered callback on the test's thread.
#include <algorithm>
#include <mutex>

#include "platform/headless/headless.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/locked_field.h"

namespace {

struct HeadlessAudio {
    // Held while the callback runs, so that after HostCloseAudio returns no pull is running
    // (as with a real device).
    std::mutex lock;
    bool available = true;
    bool open = false;
    int rate = 0;
    HostAudioPull pull = nullptr;
    void* user = nullptr;
    std::vector<uint8_t> captured;
    uint64_t pulled = 0;
};

HeadlessAudio& Audio()
{
    static HeadlessAudio* audio = new HeadlessAudio;  // never destroyed: safe at exit
    return *audio;
}

const int PULL_PIECE_BYTES = 4096;

}  // namespace

void HeadlessResetAudio()
{
    HeadlessAudio& audio = Audio();
    std::lock_guard<std::mutex> guard(audio.lock);
    audio.available = true;
    audio.open = false;
    audio.rate = 0;
    audio.pull = nullptr;
    audio.user = nullptr;
    audio.captured.clear();
    audio.captured.shrink_to_fit();
    audio.pulled = 0;
}

bool HostOpenAudio(int rate, HostAudioPull pull, void* user)
{
    HeadlessAudio& audio = Audio();
    std::lock_guard<std::mutex> guard(audio.lock);
    if (!audio.available || audio.open || pull == nullptr || rate <= 0) return false;
    audio.open = true;
    audio.rate = rate;
    audio.pull = pull;
    audio.user = user;
    return true;
}

void HostCloseAudio()
{
    HeadlessAudio& audio = Audio();
    std::lock_guard<std::mutex> guard(audio.lock);
    audio.open = false;
    audio.pull = nullptr;
    audio.user = nullptr;
}

void HeadlessSetAudioAvailable(bool available)
{
    SetLockedField(Audio(), &HeadlessAudio::available, available);
}

bool HeadlessAudioOpen() { return LockedField(Audio(), &HeadlessAudio::open); }

int HeadlessAudioRate() { return LockedField(Audio(), &HeadlessAudio::rate); }

void HeadlessSkipAudio(int bytes)
{
    HeadlessAudio& audio = Audio();
    std::lock_guard<std::mutex> guard(audio.lock);
    if (audio.open && bytes > 0) audio.pull(audio.user, nullptr, bytes);
}

std::vector<uint8_t> HeadlessAdvanceAudio(int bytes)
{
    std::vector<uint8_t> result(bytes > 0 ? size_t(bytes) : 0, 0);
    HeadlessAudio& audio = Audio();
    std::lock_guard<std::mutex> guard(audio.lock);
    if (!audio.open) return result;
    for (size_t done = 0; done < result.size();) {
        int piece = int(std::min<size_t>(PULL_PIECE_BYTES, result.size() - done));
        audio.pull(audio.user, result.data() + done, piece);
        done += size_t(piece);
    }
    audio.captured.insert(audio.captured.end(), result.begin(), result.end());
    audio.pulled += result.size();
    return result;
}

std::vector<uint8_t> HeadlessCapturedAudio()
{
    return LockedField(Audio(), &HeadlessAudio::captured);
}

uint64_t HeadlessAudioBytesPulled() { return LockedField(Audio(), &HeadlessAudio::pulled); }
