#include "tools/xm2wav/parallel_render.h"

#ifdef _WIN32

int32_t DefaultRenderJobs() { return 1; }

bool ParallelRenderAvailable() { return false; }

int64_t RenderSongInParallel(Song* song, int64_t frames, int32_t, int32_t, BlockSink sink,
                             RenderProgress progress, void* context, std::string*)
{
    return RenderSong(song, frames, sink, progress, context);
}

#else

#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "player/mixer_path.h"
#include "player/playback.h"

namespace {

// One chunk's place in the shared memory, and who fills it.
struct Slot {
    pid_t child;  // 0: none running
    bool ready;   // its PCM is complete
};

// A fork does not hand the mappings of shared pages down, and each process maps them page by
// page as it touches them, one page fault each: one call maps a chunk's pages at once.
// (Where the system cannot, the pages are mapped as they are touched.)
void MapAtOnce(const int16_t* pcm, size_t bytes, bool for_writing)
{
#ifdef MADV_POPULATE_WRITE
    madvise(const_cast<int16_t*>(pcm), bytes,
            for_writing ? MADV_POPULATE_WRITE : MADV_POPULATE_READ);
#else
    (void)pcm;
    (void)bytes;
    (void)for_writing;
#endif
}

// Mixes `blocks` blocks from where the song stands, each block's PCM after the last in `pcm`.
// Every block is mixed in the ring's first block (where in the ring a block lies changes
// nothing of what is mixed): a child then copies only that block's pages of the ring and
// the mix buffer from its parent (copy on write), not the whole ring's.
void MixBlocks(int16_t* pcm, int32_t blocks)
{
    const size_t block_values = static_cast<size_t>(block_frames) * 2;
    for (int32_t b = 0; b < blocks; ++b) {
        write_block = 0;
        FillBlock();
        std::memcpy(pcm + b * block_values, pcm_ring, block_values * sizeof(int16_t));
    }
}

// Moves the song, its channels and its voices over `blocks` blocks without mixing, in the
// ring's first block too (after a fork every page the parent writes is copied as well).
void WalkBlocks(int32_t blocks)
{
    SetAdvanceOnly(true);
    for (int32_t b = 0; b < blocks; ++b) {
        write_block = 0;
        FillBlock();
    }
    SetAdvanceOnly(false);
}

// The child: mixes its chunk and ends without running anything of the parent's (no exit
// handlers, no flush of the parent's buffered output, no leak check).
[[noreturn]] void RunChild(int16_t* pcm, int32_t blocks, pid_t parent)
{
    MapAtOnce(pcm, static_cast<size_t>(blocks) * block_frames * 2 * sizeof(int16_t), true);
#ifdef __linux__
    // An orphaned child has nobody to hand its chunk to.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
#else
    (void)parent;
#endif
    MixBlocks(pcm, blocks);
    _exit(0);
}

std::string ChildFailure(int status)
{
    if (WIFSIGNALED(status)) {
        return std::string("a render process was ended by signal ") +
               std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    }
    return "a render process failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

void EndChildren(std::vector<Slot>* slots)
{
    for (Slot& slot : *slots) {
        if (slot.child <= 0) continue;
        kill(slot.child, SIGKILL);
        while (waitpid(slot.child, nullptr, 0) < 0 && errno == EINTR) {
        }
        slot.child = 0;
    }
}

}  // namespace

int32_t DefaultRenderJobs()
{
#ifdef __linux__
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0) {
        int count = CPU_COUNT(&allowed);
        if (count > 0) return count;
    }
#endif
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int32_t>(online) : 1;
}

bool ParallelRenderAvailable() { return true; }

int64_t RenderSongInParallel(Song* song, int64_t frames, int32_t jobs, int32_t chunk_blocks,
                             BlockSink sink, RenderProgress progress, void* context,
                             std::string* failure)
{
    ResetPlayback(song);
    const int64_t chunk_frames = static_cast<int64_t>(chunk_blocks) * block_frames;
    const int64_t chunk_count = chunk_frames > 0 ? (frames + chunk_frames - 1) / chunk_frames : 0;
    if (jobs <= 1 || chunk_count <= 1) {
        ReleasePlaybackBuffers();
        return RenderSong(song, frames, sink, progress, context);
    }
    AllocateRingBuffers();

    // One chunk more than jobs may be in flight: the next job starts while the chunk before
    // it is handed over. (Every place in the shared memory costs its pages once.)
    const int32_t slot_count =
        static_cast<int32_t>(chunk_count < jobs + 1 ? chunk_count : jobs + 1);
    // Each chunk's place starts on a page of its own, for madvise.
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t chunk_bytes = static_cast<size_t>(chunk_frames) * 2 * sizeof(int16_t);
    const size_t chunk_values = (chunk_bytes + page - 1) / page * page / sizeof(int16_t);
    const size_t shared_bytes = static_cast<size_t>(slot_count) * chunk_values * sizeof(int16_t);
    void* shared = mmap(nullptr, shared_bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                        -1, 0);
    if (shared == MAP_FAILED) {
        *failure = std::string("no memory to share with the render processes: ") +
                   std::strerror(errno);
        ReleasePlaybackBuffers();
        return -2;
    }
    int16_t* const pcm = static_cast<int16_t*>(shared);
    std::vector<Slot> slots(static_cast<size_t>(slot_count), Slot{0, false});
    const pid_t parent = getpid();

    int64_t next_start = 0;  // the next chunk to start
    int64_t next_out = 0;    // the next chunk to hand over
    int32_t running = 0;
    int64_t frames_done = 0;
    int64_t result = 0;
    while (next_out < chunk_count && result == 0) {
        while (next_start < chunk_count && next_start - next_out < slot_count && running < jobs) {
            Slot& slot = slots[static_cast<size_t>(next_start % slot_count)];
            int16_t* chunk_pcm = pcm + static_cast<size_t>(next_start % slot_count) * chunk_values;
            int64_t chunk_end = (next_start + 1) * chunk_frames;
            if (chunk_end > frames) chunk_end = frames;
            int64_t first = next_start * chunk_frames;
            int32_t blocks =
                static_cast<int32_t>((chunk_end - first + block_frames - 1) / block_frames);
            pid_t child = fork();
            if (child == 0) RunChild(chunk_pcm, blocks, parent);
            if (child < 0) {
                // No process to spare: this one mixes the chunk, which also brings it to the
                // next chunk's start.
                MixBlocks(chunk_pcm, blocks);
                slot.ready = true;
            } else {
                slot.child = child;
                running += 1;
                if (next_start + 1 < chunk_count) WalkBlocks(blocks);
            }
            next_start += 1;
        }

        Slot& out = slots[static_cast<size_t>(next_out % slot_count)];
        if (!out.ready) {
            int status = 0;
            pid_t ended = waitpid(-1, &status, 0);
            if (ended < 0) {
                if (errno == EINTR) continue;
                *failure = std::string("cannot wait for a render process: ") + std::strerror(errno);
                result = -2;
                break;
            }
            for (Slot& slot : slots) {
                if (slot.child != ended) continue;
                slot.child = 0;
                running -= 1;
                if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
                    slot.ready = true;
                } else {
                    *failure = ChildFailure(status);
                    result = -2;
                }
            }
            continue;
        }

        const int16_t* chunk_pcm = pcm + static_cast<size_t>(next_out % slot_count) * chunk_values;
        int64_t chunk_end = (next_out + 1) * chunk_frames;
        if (chunk_end > frames) chunk_end = frames;
        MapAtOnce(chunk_pcm, chunk_bytes, false);
        while (frames_done < chunk_end) {
            int64_t offset = frames_done - next_out * chunk_frames;
            int64_t wanted = chunk_end - frames_done;
            int32_t count = wanted < block_frames ? static_cast<int32_t>(wanted) : block_frames;
            if (!sink(chunk_pcm + offset * 2, count, context)) {
                result = -1;
                break;
            }
            frames_done += count;
            if (progress != nullptr) progress(frames_done, song, context);
        }
        out.ready = false;
        next_out += 1;
    }

    EndChildren(&slots);
    munmap(shared, shared_bytes);
    ReleasePlaybackBuffers();
    return result < 0 ? result : frames_done;
}

#endif
