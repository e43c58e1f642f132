// Playback: the block fill shared by the device path and the offline renderer, the playback
// reset done at every play start, and the device path itself (PlaySong, StopSong and the
// mixing thread).
#pragma once

#include <atomic>
#include <cstdint>

#include "song.h"

extern const int32_t MIX_RATE;   // 44100 frames per second
extern const int32_t BUFFER_MS;  // 1000

#pragma pack(push, 1)
struct SyncRecord {
    uint8_t order;
    uint8_t row;
    int32_t elapsed_ms;
};
#pragma pack(pop)
static_assert(sizeof(SyncRecord) == 6, "a sync record is 6 bytes");

// Derived at play start.
extern int32_t block_frames;    // 884 at 44100 Hz
extern int32_t ring_frames;     // 88400
extern int32_t blocks_in_ring;  // 100
extern float frame_seconds;

extern Song* current_song;
extern int32_t write_block;
extern int16_t* pcm_ring;      // ring_frames stereo frames
extern float* mix_buffer;      // ring_frames stereo float frames, 16-byte aligned
extern SyncRecord* sync_ring;  // blocks_in_ring records

extern std::atomic<bool> stop_requested;
extern std::atomic<bool> block_busy;
extern std::atomic<bool> thread_finished;

// Play start without the device: derived sizes, voices, the song's playback fields, the
// channels, current_song and sync_ring.
void ResetPlayback(Song* song);
// The PCM ring and the float mix buffer (zero-filled).
void AllocateRingBuffers();
// Frees whatever of pcm_ring, mix_buffer and sync_ring exists and clears current_song and
// write_block.
void ReleasePlaybackBuffers();
// Fills block write_block of the ring and advances write_block.
void FillBlock();

bool PlaySong(Song* song);
bool StopSong(Song* song);
