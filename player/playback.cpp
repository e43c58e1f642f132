// Playback state shared by the device path and the offline renderer: the sizes derived from
// the audio settings, the PCM ring with its float mix buffer and sync records, the reset
// done at every play start, and the block fill that runs ticks at exact output frames.
#include "player/playback.h"

#include <cstdlib>
#include <cstring>

#include "player/audio_settings.h"
#include "player/channel.h"
#include "player/mixer.h"
#include "player/mixer_path.h"
#include "player/output_gain.h"
#include "player/sequencer.h"
#include "player/song_control.h"

int32_t block_frames = 0;
int32_t ring_frames = 0;
int32_t blocks_in_ring = 0;
float frame_seconds = 0.0f;

Song* current_song = nullptr;
int32_t write_block = 0;
int16_t* pcm_ring = nullptr;
float* mix_buffer = nullptr;
SyncRecord* sync_ring = nullptr;

namespace {

// The allocation mix_buffer lives in; mix_buffer itself is its first 16-byte aligned address.
void* mix_buffer_allocation = nullptr;

// A header tempo of 0 would make one tick last for ever; such songs play at 125 BPM.
constexpr int32_t FALLBACK_BPM = 125;

void ComputeDerivedSizes()
{
    frame_seconds = 1.0f / static_cast<float>(MIX_RATE);
    block_frames = (MIX_RATE * 20 / 1000 + 3) / 4 * 4;
    ring_frames = (BUFFER_MS / 20) * block_frames * 2;
    blocks_in_ring = ring_frames / block_frames;
    ramp_length = MIX_RATE * 128 / 44100;
    ramp_reciprocal = 1.0f / static_cast<float>(ramp_length);
}

void ResetVoices()
{
    std::memset(voices, 0, sizeof(voices));
    for (int32_t i = 0; i < VOICE_SLOTS; ++i) {
        voices[i].index = i;
        voices[i].step = 1;
        voices[i].step_frac = 0;
    }
}

void ResetSongPosition(Song* song)
{
    song->global_volume = song->default_global_volume;
    song->next_order = -1;
    song->next_row = -1;
    song->speed = song->default_speed;
    song->row = 0;
    song->order = 0;
    song->samples_to_next_tick = 0;
    song->tick = 0;
    song->pattern_delay_ticks = 0;
    song->elapsed_ms = 0;
    SetTempo(song, song->default_bpm > 0 ? song->default_bpm : FALLBACK_BPM);
}

void ResetChannels(const Song* song)
{
    int32_t count = song->channel_count;
    if (count > MAX_CHANNELS) count = MAX_CHANNELS;
    for (int32_t i = 0; i < count; ++i) {
        std::memset(&channels[i], 0, sizeof(ChannelState));
        channels[i].voice = &voices[i];
    }
}

}  // namespace

void ResetPlayback(Song* song)
{
    ComputeDerivedSizes();
    ResetVoices();
    ResetSongPosition(song);
    ResetChannels(song);
    RestartSongControl(song);
    current_song = song;
    std::free(sync_ring);
    sync_ring = static_cast<SyncRecord*>(std::calloc(blocks_in_ring, sizeof(SyncRecord)));
}

void AllocateRingBuffers()
{
    std::free(pcm_ring);
    std::free(mix_buffer_allocation);
    pcm_ring =
        static_cast<int16_t*>(std::calloc(static_cast<size_t>(ring_frames) * 2, sizeof(int16_t)));
    size_t mix_bytes = static_cast<size_t>(ring_frames) * 2 * sizeof(float);
    mix_buffer_allocation = std::calloc(mix_bytes + 256, 1);
    uintptr_t address = reinterpret_cast<uintptr_t>(mix_buffer_allocation);
    mix_buffer = reinterpret_cast<float*>((address + 15) & ~static_cast<uintptr_t>(15));
}

void ReleasePlaybackBuffers()
{
    std::free(pcm_ring);
    pcm_ring = nullptr;
    std::free(mix_buffer_allocation);
    mix_buffer_allocation = nullptr;
    mix_buffer = nullptr;
    std::free(sync_ring);
    sync_ring = nullptr;
    current_song = nullptr;
    write_block = 0;
}

void FillBlock()
{
    Song* song = current_song;
    if (song == nullptr || mix_buffer == nullptr || pcm_ring == nullptr) return;
    int32_t base = write_block * block_frames;
    float* block = mix_buffer + static_cast<size_t>(base) * 2;
    // A walk (mixer_path.h, SetAdvanceOnly) mixes nothing: no block to clear, scale or convert.
    const bool walk = AdvanceOnly();
    if (!walk) std::memset(block, 0, static_cast<size_t>(block_frames) * 2 * sizeof(float));

    int32_t done = 0;
    int32_t left = song->samples_to_next_tick;
    while (done < block_frames) {
        if (left <= 0) {
            RunSongTick(song);
            left = song->samples_per_tick;
            // A tick of no frames would never let the block fill finish.
            if (left < 1) left = 1;
        }
        int32_t run = left;
        if (run > block_frames - done) run = block_frames - done;
        MixVoices(block + static_cast<size_t>(done) * 2, run);
        done += run;
        left -= run;
        song->elapsed_ms += static_cast<int32_t>(static_cast<double>(run) *
                                                 static_cast<double>(frame_seconds) * 1000.0);
    }

    if (sync_ring != nullptr) {
        SyncRecord& record = sync_ring[write_block];
        record.order = static_cast<uint8_t>(song->order);
        record.row = static_cast<uint8_t>(song->row);
        record.elapsed_ms = song->elapsed_ms;
    }
    song->samples_to_next_tick = left;
    if (!walk) {
        ApplyOutputGain(block, static_cast<int64_t>(block_frames) * 2);
        ConvertToPcm16(pcm_ring + static_cast<size_t>(base) * 2, block, block_frames);
    }
    write_block += 1;
    if (write_block >= blocks_in_ring) write_block = 0;
}
