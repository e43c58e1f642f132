// The render on several processes is the render on one, byte for byte, wherever the chunks are
// cut. It rests on one rule: a walk through the song (the mixer advancing the voices without
// mixing) leaves the song, its channels and its voices exactly where mixing leaves them. That
// rule is checked after every block of whole songs, which are chosen so that block ends fall
// inside volume ramps, sample loops, pattern delays, a jump back and the song's end; then
// renders on 2, 3 and 7 processes with chunks of a few blocks are compared with the render on
// one, with a start order, muted channels and two passes: handed over in order, and written
// by each process at its place in a file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "player/channel.h"
#include "player/mixer.h"
#include "player/mixer_path.h"
#include "player/playback.h"
#include "player/player.h"
#include "tests/corpus_dir.h"
#include "tools/common/module_file.h"
#include "tools/xm2wav/parallel_render.h"
#include "tools/xm2wav/render.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ModuleBytes(const fs::path& path)
{
    std::vector<uint8_t> bytes;
    std::string reason;
    EXPECT_TRUE(ReadModuleFile(path.string(), &bytes, &reason)) << path << ": " << reason;
    return bytes;
}

// Where the playback stands after a block, in a form that two loads of one module share: the
// voices' samples and the channels' voices as numbers instead of addresses.
std::vector<uint8_t> PlaybackState(const Song* song, const std::map<const Sample*, int64_t>& ids)
{
    std::vector<uint8_t> state;
    auto add = [&state](const void* data, size_t size) {
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        state.insert(state.end(), bytes, bytes + size);
    };
    for (int32_t i = 0; i < MIXED_VOICES; ++i) {
        Voice voice = voices[i];
        auto id = ids.find(voice.sample);
        voice.sample = reinterpret_cast<Sample*>(id != ids.end() ? id->second : -1);
        add(&voice, sizeof(voice));
    }
    for (int32_t c = 0; c < song->channel_count && c < MAX_CHANNELS; ++c) {
        ChannelState channel = channels[c];
        channel.voice = reinterpret_cast<Voice*>(channel.voice - voices);
        add(&channel, sizeof(channel));
    }
    const int32_t fields[] = {song->samples_to_next_tick, song->samples_per_tick,
                              song->global_volume,        song->tick,
                              song->speed,                song->bpm,
                              song->row,                  song->order,
                              song->pattern_delay_ticks,  song->next_row,
                              song->next_order,           song->elapsed_ms};
    add(fields, sizeof(fields));
    return state;
}

std::map<const Sample*, int64_t> SampleIds(const Song* song)
{
    std::map<const Sample*, int64_t> ids{{nullptr, 0}};
    for (int32_t i = 0; i < song->instrument_count; ++i) {
        for (int32_t s = 0; s < MAX_INSTRUMENT_SAMPLES; ++s) {
            ids.emplace(song->instruments[i].samples[s], 1 + i * MAX_INSTRUMENT_SAMPLES + s);
        }
    }
    return ids;
}

// What the walk went through: block ends inside a ramp, inside a loop, inside a pattern delay,
// and whether the song went back and ended.
struct Coverage {
    int64_t in_ramp = 0;
    int64_t in_loop = 0;
    int64_t in_pattern_delay = 0;
    int64_t ended = 0;
};

// Plays `passes` passes and a little more of the song, mixing or walking, and keeps the state
// after every block.
std::vector<std::vector<uint8_t>> StatesAfterBlocks(const std::vector<uint8_t>& bytes,
                                                    int32_t passes, bool walk, Coverage* coverage)
{
    Song* song = LoadModuleBytes(bytes, nullptr);
    EXPECT_NE(song, nullptr);
    if (song == nullptr) return {};
    SongControl control;
    control.passes = passes;
    bool ended = false;
    const int64_t frames = CountSongFrames(song, control, 20ll * 60 * 44100, &ended) + 20000;
    FreeSong(song);
    song = LoadModuleBytes(bytes, nullptr);
    const std::map<const Sample*, int64_t> ids = SampleIds(song);
    ControlSong(song, control);
    ResetPlayback(song);
    AllocateRingBuffers();
    std::vector<std::vector<uint8_t>> states;
    SetAdvanceOnly(walk);
    for (int64_t done = 0; done < frames; done += block_frames) {
        FillBlock();
        states.push_back(PlaybackState(song, ids));
        if (coverage == nullptr) continue;
        for (int32_t i = 0; i < MIXED_VOICES; ++i) {
            const Voice& v = voices[i];
            if (v.sample == nullptr) continue;
            if (v.ramp_remaining > 0) coverage->in_ramp += 1;
            if (v.sample->loop_type != LOOP_NONE) coverage->in_loop += 1;
        }
        if (song->pattern_delay_ticks > 0) coverage->in_pattern_delay += 1;
        if (ControlledSongProgress().ended.load()) coverage->ended += 1;
    }
    SetAdvanceOnly(false);
    ReleasePlaybackBuffers();
    ReleaseSongControl(song);
    FreeSong(song);
    return states;
}

void CheckWalkMatchesMix(const fs::path& path, int32_t passes, Coverage* coverage)
{
    SCOPED_TRACE(path.string());
    const std::vector<uint8_t> bytes = ModuleBytes(path);
    const auto mixed = StatesAfterBlocks(bytes, passes, false, nullptr);
    const auto walked = StatesAfterBlocks(bytes, passes, true, coverage);
    ASSERT_EQ(mixed.size(), walked.size());
    for (size_t b = 0; b < mixed.size(); ++b) {
        ASSERT_TRUE(mixed[b] == walked[b]) << "the walk parts from the mix after block " << b;
    }
}

bool Collect(const int16_t* pcm, const float*, int32_t frames, void* context)
{
    auto* out = static_cast<std::vector<int16_t>*>(context);
    out->insert(out->end(), pcm, pcm + static_cast<size_t>(frames) * 2);
    return true;
}

// A writer into a file at each stretch's place, as every process can do.
struct FileAtPlaces {
    int fd;
};

bool WriteAtPlace(int64_t first_frame, int16_t* pcm, const float*, int32_t frames, void* context,
                  ChunkFigures* figures)
{
    const auto* file = static_cast<const FileAtPlaces*>(context);
    for (int32_t i = 0; i < frames * 2; ++i) {
        int32_t level = pcm[i] < 0 ? -pcm[i] : pcm[i];
        if (level > figures->peak) figures->peak = level;
    }
    const size_t bytes = static_cast<size_t>(frames) * 4;
    return pwrite(file->fd, pcm, bytes, static_cast<off_t>(first_frame * 4)) ==
           static_cast<ssize_t>(bytes);
}

// The PCM that every process wrote at its place in a file, and the peak they measured.
std::vector<int16_t> RenderAtPlaces(const std::vector<uint8_t>& bytes, const SongControl& control,
                                    int64_t frames, int32_t jobs, int32_t chunk_blocks,
                                    int32_t* peak)
{
    Song* song = LoadModuleBytes(bytes, nullptr);
    EXPECT_NE(song, nullptr);
    if (song == nullptr) return {};
    ControlSong(song, control);
    FILE* file = std::tmpfile();
    FileAtPlaces place{fileno(file)};
    ChunkFigures figures{0, 0, 0.0f, 0};
    std::string failure;
    EXPECT_EQ(RenderSongIntoPlaces(song, frames, jobs, chunk_blocks, WriteAtPlace, nullptr, &place,
                                   &figures, &failure),
              frames)
        << failure;
    ReleaseSongControl(song);
    FreeSong(song);
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
    EXPECT_EQ(pread(place.fd, pcm.data(), pcm.size() * 2, 0), static_cast<ssize_t>(pcm.size() * 2));
    std::fclose(file);
    *peak = figures.peak;
    return pcm;
}

// The PCM of `frames` frames under the control, on `jobs` processes (1: RenderSong itself).
std::vector<int16_t> Render(const std::vector<uint8_t>& bytes, const SongControl& control,
                            int64_t frames, int32_t jobs, int32_t chunk_blocks)
{
    Song* song = LoadModuleBytes(bytes, nullptr);
    EXPECT_NE(song, nullptr);
    if (song == nullptr) return {};
    ControlSong(song, control);
    std::vector<int16_t> pcm;
    std::string failure;
    int64_t done = jobs == 1 ? RenderSong(song, frames, Collect, nullptr, &pcm)
                             : RenderSongInParallel(song, frames, jobs, chunk_blocks, Collect,
                                                    nullptr, &pcm, &failure);
    EXPECT_EQ(done, frames) << failure;
    ReleaseSongControl(song);
    FreeSong(song);
    return pcm;
}

struct Split {
    int32_t jobs;
    int32_t chunk_blocks;
};

// Chunk lengths that leave a short last chunk; forks are slow under the sanitizers, so the
// renders are short (every block end as a chunk boundary is the walk test's part).
void CheckSameBytes(const fs::path& path, const SongControl& control, int64_t frames,
                    const std::vector<Split>& splits)
{
    SCOPED_TRACE(path.string());
    const std::vector<uint8_t> bytes = ModuleBytes(path);
    const std::vector<int16_t> one = Render(bytes, control, frames, 1, 0);
    ASSERT_EQ(one.size(), static_cast<size_t>(frames) * 2);
    int32_t one_peak = 0;
    for (int16_t value : one) one_peak = std::max<int32_t>(one_peak, value < 0 ? -value : value);
    for (const Split& split : splits) {
        EXPECT_TRUE(Render(bytes, control, frames, split.jobs, split.chunk_blocks) == one)
            << split.jobs << " jobs, chunks of " << split.chunk_blocks << " blocks";
        int32_t peak = -1;
        EXPECT_TRUE(RenderAtPlaces(bytes, control, frames, split.jobs, split.chunk_blocks, &peak) ==
                    one)
            << split.jobs << " jobs, chunks of " << split.chunk_blocks << " blocks at their places";
        EXPECT_EQ(peak, one_peak);
    }
}

TEST(ParallelRender, WalkLeavesThePlaybackWhereMixingLeavesIt)
{
    Coverage coverage;
    CheckWalkMatchesMix(INTRO_BINARY_DIR "/assets/embedded.xm", 1, &coverage);
    fs::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    CheckWalkMatchesMix(corpus / "songs/lachesis_-_villgust.xm", 2, &coverage);
    CheckWalkMatchesMix(corpus / "effects/libxmp/ft2_kxx.xm", 1, &coverage);  // pattern delays
    CheckWalkMatchesMix(corpus / "effects/libxmp/pattern_jump_ft2_break.xm", 3, &coverage);
    CheckWalkMatchesMix(corpus / "effects/libxm/sample-ping-pong.xm", 2, &coverage);
    CheckWalkMatchesMix(corpus / "effects/libxm/ramping.xm", 2, &coverage);
    EXPECT_GT(coverage.in_ramp, 1000);
    EXPECT_GT(coverage.in_loop, 1000);
    EXPECT_GT(coverage.in_pattern_delay, 10);
    EXPECT_GT(coverage.ended, 0);
}

TEST(ParallelRender, SameBytesOnOneTwoAndSevenProcesses)
{
    const fs::path embedded = INTRO_BINARY_DIR "/assets/embedded.xm";
    SongControl whole;
    CheckSameBytes(embedded, whole, 12 * 44100 + 17, {{7, 23}, {2, 97}});
    SongControl chosen;
    chosen.start_order = 3;
    chosen.muted_channels = 0x5;  // channels 1 and 3
    CheckSameBytes(embedded, chosen, 9 * 44100, {{7, 29}});
    fs::path corpus;
    SKIP_OR_FAIL_WITHOUT_CORPUS(corpus);
    // A song that jumps back, played twice and rendered over its end into the silence after.
    SongControl twice;
    twice.passes = 2;
    CheckSameBytes(corpus / "effects/libxmp/pattern_jump_ft2_break.xm", twice, 5 * 44100,
                   {{7, 19}});
    CheckSameBytes(corpus / "effects/libxmp/ft2_kxx.xm", whole, 8 * 44100, {{3, 31}});
}

}  // namespace
