// The device path: PlaySong opens the sound device, mixes the whole output ring on the
// calling thread, starts the device looping over the ring and starts the mixing thread that
// refills every block the device has finished; StopSong ends that thread in order and gives
// back the device and the buffers.
//
// The two threads share no lock. They meet through three flags, each written by one side
// only: stop_requested (main -> thread), block_busy and thread_finished (thread -> main).
// Everything the thread touches (the song's playback fields, channels, voices, the ring, the
// mix buffer, the sync records) is handed over by the thread's creation and handed back by
// the thread_finished store, so StopSong frees nothing before that store is seen.
#include "player/audio_output.h"

#include "platform/platform_api.h"
#include "player/audio_settings.h"
#include "player/playback.h"
#include "player/source.h"

std::atomic<bool> stop_requested{false};
std::atomic<bool> block_busy{false};
std::atomic<bool> thread_finished{true};  // true before any thread ever ran

namespace {

HWAVEOUT wave_out;    // null while no device is open
WAVEHDR wave_header;  // the one looping buffer: the whole ring
HANDLE mix_thread;    // null while no thread was started
// Blocks the mixing thread has refilled since the ring started: the device plays block
// blocks_refilled modulo blocks_in_ring, and has finished that many blocks.
std::atomic<int64_t> blocks_refilled{0};

constexpr DWORD BYTES_PER_FRAME = 4;  // 16-bit stereo
constexpr DWORD LOOP_FOR_EVER = 0xFFFFFFFFu;

// The bytes the device has played since the ring started. Its own count is 32 bits and wraps
// after 2^32 bytes (6 h 45 min 48 s at 44100 Hz), which is not a whole number of rings: taken
// as it is, the wrap would look like a jump back of 40 blocks, and the thread would refill 61
// blocks at once, the one playing among them. Following the count's progress as differences
// modulo 2^32 makes the wrap invisible, as long as the thread reads it at least once per 2^32
// bytes (it reads it every 5 ms).
struct PlayedBytes {
    uint32_t last_count;  // the device's count at the last reading; 0 when the ring started
    uint64_t total;
};

static uint64_t FollowPlayedBytes(PlayedBytes* played, uint32_t count)
{
    played->total += static_cast<uint32_t>(count - played->last_count);
    played->last_count = count;
    return played->total;
}

// Keeps the ring one ring length ahead of the device: every 5 ms, refill every block from
// write_block up to (not including) the block the device is playing now.
DWORD WINAPI MixingThread(LPVOID)
{
    thread_finished = false;
    PlayedBytes played = {0, 0};
    while (!stop_requested) {
        MMTIME position = {};
        position.wType = TIME_BYTES;
        waveOutGetPosition(wave_out, &position, sizeof(position));
        const uint64_t played_frames = FollowPlayedBytes(&played, position.u.cb) / BYTES_PER_FRAME;
        const uint32_t playing_frame =
            static_cast<uint32_t>(played_frames % static_cast<uint64_t>(ring_frames));
        const int32_t playing_block =
            static_cast<int32_t>(playing_frame / static_cast<uint32_t>(block_frames));
        while (write_block != playing_block) {
            block_busy = true;
            FillBlock();
            block_busy = false;
            blocks_refilled.fetch_add(1, std::memory_order_release);
        }
        Sleep(5);
    }
    thread_finished = true;
    return 0;
}

// Opens the default device for 16-bit stereo PCM at MIX_RATE, with no completion callback.
bool OpenDevice()
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(MIX_RATE);
    format.nAvgBytesPerSec = static_cast<DWORD>(MIX_RATE) * BYTES_PER_FRAME;
    format.nBlockAlign = static_cast<WORD>(BYTES_PER_FRAME);
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    HWAVEOUT opened = nullptr;
    if (waveOutOpen(&opened, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        return false;
    }
    wave_out = opened;
    return true;
}

// Hands the whole ring to the device as one buffer played from start to end, endlessly.
void PrepareLoopingRing()
{
    wave_header = WAVEHDR{};
    wave_header.lpData = reinterpret_cast<LPSTR>(pcm_ring);
    wave_header.dwBufferLength = static_cast<DWORD>(ring_frames) * BYTES_PER_FRAME;
    wave_header.dwBytesRecorded = 0;
    wave_header.dwUser = 0;
    wave_header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    wave_header.dwLoops = LOOP_FOR_EVER;
    waveOutPrepareHeader(wave_out, &wave_header, sizeof(wave_header));
}

}  // namespace

bool PlaySong(Song* song)
{
    if (!song) return false;
    StopSong(song);
    if (!SourceCallbacksComplete()) return false;

    // Derived sizes, voices, the song's playback fields, channels, current_song, sync_ring.
    ResetPlayback(song);
    // FillBlock writes one sync record per block: without them nothing may be mixed.
    if (!sync_ring) return false;

    if (!OpenDevice()) return false;

    AllocateRingBuffers();
    // A ring or mix buffer that could not be had would be written through a null pointer;
    // play nothing instead. The open device is released by the next StopSong.
    if (!pcm_ring || !mix_buffer) return false;
    PrepareLoopingRing();

    // The whole ring holds the first two seconds before the device starts.
    write_block = 0;
    for (int32_t block = 0; block < blocks_in_ring; ++block) FillBlock();

    waveOutWrite(wave_out, &wave_header, sizeof(wave_header));

    stop_requested = false;
    blocks_refilled.store(0);
    // Marked running before the thread exists, so that a StopSong coming before the thread's
    // first instruction still waits for it instead of freeing what it is about to use.
    thread_finished = false;
    mix_thread = CreateThread(nullptr, 0, MixingThread, nullptr, 0, nullptr);
    if (!mix_thread) {
        thread_finished = true;
        return true;
    }
    SetThreadPriority(mix_thread, THREAD_PRIORITY_TIME_CRITICAL);
    return true;
}

bool PauseSong(bool paused)
{
    if (!wave_out) return false;
    MMRESULT result = paused ? waveOutPause(wave_out) : waveOutRestart(wave_out);
    return result == MMSYSERR_NOERROR;
}

bool HeardPosition(PlayPosition* position, const int16_t** pcm, int32_t* frames)
{
    if (!wave_out || !sync_ring || !pcm_ring || blocks_in_ring <= 0) return false;
    // The block the device plays is the next one the thread will refill: neither its PCM nor
    // its sync record is written while it plays.
    const int64_t refilled = blocks_refilled.load(std::memory_order_acquire);
    const int32_t block = static_cast<int32_t>(refilled % blocks_in_ring);
    const SyncRecord record = sync_ring[block];
    *position =
        PlayPosition{record.order, record.row, -1, record.elapsed_ms, refilled * block_frames};
    if (pcm != nullptr) *pcm = pcm_ring + static_cast<size_t>(block) * block_frames * 2;
    if (frames != nullptr) *frames = block_frames;
    return true;
}

bool StopSong(Song* song)
{
    if (!song) return false;
    stop_requested = true;

    // A block fill in progress finishes first; it may take a sequencer tick and a mix.
    while (block_busy) {}

    if (mix_thread) {
        while (!thread_finished) Sleep(10);
        // The thread has left its loop; its handle is of no further use.
        CloseHandle(mix_thread);
        mix_thread = nullptr;
    }

    // With no device open (never opened, or the open failed) there is nothing to stop.
    if (wave_out) {
        waveOutReset(wave_out);
        waveOutUnprepareHeader(wave_out, &wave_header, sizeof(wave_header));
    }
    wave_header.dwFlags &= ~WHDR_PREPARED;
    wave_header.lpData = nullptr;

    // pcm_ring, mix_buffer, sync_ring; current_song and write_block cleared.
    ReleasePlaybackBuffers();

    if (wave_out) {
        waveOutClose(wave_out);
        wave_out = nullptr;
    }
    write_block = 0;
    return true;
}
