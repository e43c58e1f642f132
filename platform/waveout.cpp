// waveOut on the host's audio device: one device, one buffer at a time. The host pulls PCM
// from its own thread (the pull callback below) while the system calls the waveOut functions;
// one mutex guards the play state, and it is held while the callback reads the buffer, so once
// waveOutReset returns the buffer is no longer read and may be freed.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/host.h"
#include "platform/waveout_api.h"

namespace {

const DWORD DEVICE_RATE = 44100;
const WORD DEVICE_CHANNELS = 2;
const WORD DEVICE_BITS = 16;
const WORD DEVICE_BLOCK_ALIGN = 4;
const DWORD INFINITE_LOOPS = 0xFFFFFFFFu;
// The value Win32 gives for a device that is already in use (MMSYSERR_ALLOCATED).
const MMRESULT DEVICE_ALREADY_OPEN = 4;
// The only device: WAVE_MAPPER, or device 0.
const UINT FIRST_DEVICE = 0;

struct WaveOutDevice {
    std::mutex lock;
    std::atomic<bool> open{false};  // also read without the lock by the handle checks
    // The buffer being played, or none (silence).
    WAVEHDR* header = nullptr;
    const uint8_t* data = nullptr;
    DWORD length = 0;
    DWORD offset = 0;      // next byte to play
    DWORD loops_left = 0;  // passes still to play after this one (INFINITE_LOOPS: endless)
    DWORD position = 0;    // bytes consumed since the last reset; wraps after 4 GB
    bool paused = false;   // waveOutPause: silence, the position stands still
};

WaveOutDevice& Device()
{
    static WaveOutDevice* device = new WaveOutDevice;  // never destroyed: safe at exit
    return *device;
}

HWAVEOUT DeviceHandle() { return reinterpret_cast<HWAVEOUT>(&Device()); }

bool IsOpenHandle(HWAVEOUT handle)
{
    return handle != nullptr && handle == DeviceHandle() && Device().open;
}

// Called with the lock held: the buffer is handed back as done.
void ReturnBuffer(WaveOutDevice& device)
{
    if (device.header) {
        device.header->dwFlags &= ~WHDR_INQUEUE;
        device.header->dwFlags |= WHDR_DONE;
    }
    device.header = nullptr;
    device.data = nullptr;
    device.length = 0;
    device.offset = 0;
}

// The host's audio thread fetches `bytes` bytes: from the buffer at the play offset, wrapping
// at its end while the loop lasts; silence when nothing plays. A null destination only moves
// the play offset and the position on (the headless host's skip).
void PullFromBuffer(void* user, uint8_t* destination, int bytes)
{
    WaveOutDevice& device = *static_cast<WaveOutDevice*>(user);
    std::lock_guard<std::mutex> guard(device.lock);
    size_t done = 0;
    size_t wanted = bytes > 0 ? size_t(bytes) : 0;
    while (done < wanted && device.data != nullptr && !device.paused) {
        size_t piece = std::min<size_t>(wanted - done, device.length - device.offset);
        if (destination != nullptr)
            std::memcpy(destination + done, device.data + device.offset, piece);
        done += piece;
        device.offset += DWORD(piece);
        device.position += DWORD(piece);
        if (device.offset < device.length) break;
        device.offset = 0;
        if (device.loops_left == INFINITE_LOOPS) continue;
        if (device.loops_left > 0) {
            device.loops_left--;
            continue;
        }
        ReturnBuffer(device);
    }
    if (done < wanted && destination != nullptr) std::memset(destination + done, 0, wanted - done);
}

bool IsDeviceFormat(const WAVEFORMATEX& format)
{
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == DEVICE_CHANNELS &&
           format.nSamplesPerSec == DEVICE_RATE && format.wBitsPerSample == DEVICE_BITS &&
           format.nBlockAlign == DEVICE_BLOCK_ALIGN &&
           format.nAvgBytesPerSec == DEVICE_RATE * DEVICE_BLOCK_ALIGN;
}

// waveOutPause and waveOutRestart: the position stands still while paused.
MMRESULT SetPaused(HWAVEOUT handle, bool paused)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    WaveOutDevice& device = Device();
    std::lock_guard<std::mutex> guard(device.lock);
    device.paused = paused;
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT handle, UINT device_id, LPCWAVEFORMATEX format,
                            DWORD_PTR callback, DWORD_PTR, DWORD flags)
{
    if (handle == nullptr || format == nullptr) return MMSYSERR_INVALPARAM;
    *handle = nullptr;
    if (device_id != WAVE_MAPPER && device_id != FIRST_DEVICE) return MMSYSERR_BADDEVICEID;
    if (!IsDeviceFormat(*format)) return WAVERR_BADFORMAT;
    // Only polling is offered: no completion callbacks, windows, events or threads.
    if (flags != CALLBACK_NULL || callback != 0) return MMSYSERR_INVALPARAM;

    WaveOutDevice& device = Device();
    {
        std::lock_guard<std::mutex> guard(device.lock);
        if (device.open) return DEVICE_ALREADY_OPEN;
        ReturnBuffer(device);
        device.position = 0;
        device.paused = false;
    }
    // Not under the lock: the host may start pulling (which takes the lock) before it returns.
    if (!HostOpenAudio(int(DEVICE_RATE), PullFromBuffer, &device)) return MMSYSERR_NODRIVER;
    std::lock_guard<std::mutex> guard(device.lock);
    device.open = true;
    *handle = DeviceHandle();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT header_size)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header_size < sizeof(WAVEHDR) || header->lpData == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    std::lock_guard<std::mutex> guard(Device().lock);
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT header_size)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header_size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    std::lock_guard<std::mutex> guard(Device().lock);
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT header_size)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header_size < sizeof(WAVEHDR) || header->lpData == nullptr ||
        header->dwBufferLength == 0) {
        return MMSYSERR_INVALPARAM;
    }
    WaveOutDevice& device = Device();
    std::lock_guard<std::mutex> guard(device.lock);
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    // One buffer at a time: the system plays one looping ring.
    if (device.header != nullptr) return WAVERR_STILLPLAYING;

    // Only whole frames are played.
    DWORD length = header->dwBufferLength - header->dwBufferLength % DEVICE_BLOCK_ALIGN;
    if (length == 0) return MMSYSERR_INVALPARAM;
    bool looping = (header->dwFlags & WHDR_BEGINLOOP) && (header->dwFlags & WHDR_ENDLOOP);
    header->dwFlags &= ~WHDR_DONE;
    header->dwFlags |= WHDR_INQUEUE;
    device.header = header;
    device.data = reinterpret_cast<const uint8_t*>(header->lpData);
    device.length = length;
    device.offset = 0;
    // dwLoops counts the passes; 0 plays once like 1, and 0xFFFFFFFF plays for ever.
    if (!looping || header->dwLoops == 0) {
        device.loops_left = 0;
    } else if (header->dwLoops == INFINITE_LOOPS) {
        device.loops_left = INFINITE_LOOPS;
    } else {
        device.loops_left = header->dwLoops - 1;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutGetPosition(HWAVEOUT handle, LPMMTIME time, UINT time_size)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    if (time == nullptr || time_size < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
    DWORD bytes = 0;
    {
        WaveOutDevice& device = Device();
        std::lock_guard<std::mutex> guard(device.lock);
        bytes = device.position;
    }
    switch (time->wType) {
    case TIME_SAMPLES: time->u.sample = bytes / DEVICE_BLOCK_ALIGN; break;
    case TIME_MS:
        time->u.ms = DWORD(uint64_t(bytes / DEVICE_BLOCK_ALIGN) * 1000u / DEVICE_RATE);
        break;
    default:
        // Bytes are the format asked for by the system; any unsupported one gets bytes too.
        time->wType = TIME_BYTES;
        time->u.cb = bytes;
        break;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT handle)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    WaveOutDevice& device = Device();
    std::lock_guard<std::mutex> guard(device.lock);
    ReturnBuffer(device);
    device.position = 0;
    device.paused = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPause(HWAVEOUT handle) { return SetPaused(handle, true); }

MMRESULT WINAPI waveOutRestart(HWAVEOUT handle) { return SetPaused(handle, false); }

MMRESULT WINAPI waveOutClose(HWAVEOUT handle)
{
    if (!IsOpenHandle(handle)) return MMSYSERR_INVALHANDLE;
    WaveOutDevice& device = Device();
    {
        std::lock_guard<std::mutex> guard(device.lock);
        if (device.header != nullptr) return WAVERR_STILLPLAYING;
        device.open = false;
    }
    // Not under the lock: closing waits for a pull in progress, which takes the lock.
    HostCloseAudio();
    return MMSYSERR_NOERROR;
}
