// Playback state shared by the device path and the offline renderer: the sizes derived from the
// audio settings, the PCM ring with its float mix buffer and sync records, the reset done at
// every play start, and the block fill that runs ticks at exact output frames.
#pragma once

#include <cstdint>

#include "song.h"

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
