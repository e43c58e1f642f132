#include "tools/xm2wav/parallel_render.h"

#ifdef _WIN32

int32_t DefaultRenderJobs() { return 1; }

bool ParallelRenderAvailable() { return false; }

int64_t RenderSongInParallel(Song* song, int64_t frames, int32_t, int32_t, BlockSink sink,
                             RenderProgress progress, void* context, std::string*)
{
    return RenderSong(song, frames, sink, progress, context);
}

int64_t RenderSongIntoPlaces(Song*, int64_t, int32_t, int32_t, ChunkWriter, RenderProgress, void*,
                             ChunkFigures*, std::string* failure)
{
    *failure = "cannot render on several processes here";
    return -2;
}

#else

#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "player/player.h"

namespace {

// A chunk written at its place is mixed and written this many blocks at a time.
constexpr int32_t SPAN_BLOCKS = 64;

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

// Without branches, so that the compiler can use vectors.
bool ReachesLimit(const int16_t* pcm, size_t values)
{
    int32_t at_limit = 0;
    for (size_t i = 0; i < values; ++i) at_limit += (pcm[i] == 32767) | (pcm[i] == -32768);
    return at_limit != 0;
}

// Mixes `blocks` blocks from where the song stands, each block's PCM after the last in `pcm`,
// and the float mix of a block whose PCM reached a 16-bit limit at the same place in `mix`
// (the only blocks whose mix a sink reads). The render mixes every block in the ring's first
// block: a child then copies only that block's pages of the ring and the mix buffer from its
// parent (copy on write), not the whole ring's.
void MixBlocks(int16_t* pcm, float* mix, int32_t blocks)
{
    for (int32_t b = 0; b < blocks; ++b) {
        const int16_t* block_pcm = nullptr;
        const float* block_mix = nullptr;
        const size_t values = static_cast<size_t>(RenderBlock(&block_pcm, &block_mix)) * 2;
        const size_t at = static_cast<size_t>(b) * values;
        std::memcpy(pcm + at, block_pcm, values * sizeof(int16_t));
        if (ReachesLimit(block_pcm, values)) {
            std::memcpy(mix + at, block_mix, values * sizeof(float));
        }
    }
}

// The start of a child: it ends with its parent, which alone can use what it makes. It ends
// by _exit, running nothing of the parent's on its way out (no exit handlers, no flush of
// the parent's buffered output, no leak check).
void StartChild(pid_t parent)
{
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
#else
    (void)parent;
#endif
}

std::string ChildFailure(int status)
{
    if (WIFSIGNALED(status)) {
        return std::string("a render process was ended by signal ") +
               std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    }
    return "a render process failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

// Zero-filled memory that forked children share with this process; null with `failure` set.
void* MapShared(size_t bytes, std::string* failure)
{
    void* shared =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared != MAP_FAILED) return shared;
    *failure = std::string("no memory to share with the render processes: ") +
               std::strerror(errno);
    return nullptr;
}

void EndChild(pid_t child)
{
    kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void EndChildren(std::vector<Slot>* slots)
{
    for (Slot& slot : *slots) {
        if (slot.child <= 0) continue;
        EndChild(slot.child);
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
    if (!StartRender(song)) {
        *failure = "no memory for the render";
        return -2;
    }
    const int32_t block_frames = RenderBlockFrames();
    const int64_t chunk_frames = static_cast<int64_t>(chunk_blocks) * block_frames;
    const int64_t chunk_count = chunk_frames > 0 ? (frames + chunk_frames - 1) / chunk_frames : 0;
    if (jobs <= 1 || chunk_count <= 1) {
        StopRender();
        return RenderSong(song, frames, sink, progress, context);
    }

    // One chunk more than jobs may be in flight: the next job starts while the chunk before
    // it is handed over. (Every place in the shared memory costs its pages once.) This process
    // mixes chunks too while `jobs` - 1 children are busy, and walks past only theirs.
    const int32_t slot_count =
        static_cast<int32_t>(chunk_count < jobs + 1 ? chunk_count : jobs + 1);
    // Each chunk's place starts on a page of its own, for madvise.
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t chunk_bytes = static_cast<size_t>(chunk_frames) * 2 * sizeof(int16_t);
    const size_t chunk_values = (chunk_bytes + page - 1) / page * page / sizeof(int16_t);
    // After the PCM, the same places for the float mix, whose pages are touched only for the
    // blocks that reached a limit.
    const size_t pcm_bytes = static_cast<size_t>(slot_count) * chunk_values * sizeof(int16_t);
    const size_t shared_bytes = pcm_bytes + static_cast<size_t>(slot_count) * chunk_values * sizeof(float);
    void* shared = MapShared(shared_bytes, failure);
    if (shared == nullptr) {
        StopRender();
        return -2;
    }
    int16_t* const pcm = static_cast<int16_t*>(shared);
    float* const mix = reinterpret_cast<float*>(static_cast<uint8_t*>(shared) + pcm_bytes);
    std::vector<Slot> slots(static_cast<size_t>(slot_count), Slot{0, false});
    const pid_t parent = getpid();

    int64_t next_start = 0;  // the next chunk to start
    int64_t next_out = 0;    // the next chunk to hand over
    int32_t running = 0;
    int64_t frames_done = 0;
    int64_t result = 0;
    auto chunk_end = [&](int64_t chunk) {
        return (chunk + 1) * chunk_frames < frames ? (chunk + 1) * chunk_frames : frames;
    };
    while (next_out < chunk_count && result == 0) {
        // Children that have finished, without waiting; then the next chunk to hand over, if
        // it is ready; else the next chunk to start, on a child while one is free, or here
        // while they are all busy; else wait for a child.
        const bool can_start = next_start < chunk_count && next_start - next_out < slot_count;
        Slot& out = slots[static_cast<size_t>(next_out % slot_count)];
        int status = 0;
        pid_t ended = waitpid(-1, &status, out.ready || can_start ? WNOHANG : 0);
        if (ended < 0 && errno == EINTR) continue;
        if (ended < 0 && !out.ready && !can_start) {
            *failure = std::string("cannot wait for a render process: ") + std::strerror(errno);
            result = -2;
            break;
        }
        if (ended > 0) {
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

        if (out.ready) {
            const int16_t* chunk_pcm =
                pcm + static_cast<size_t>(next_out % slot_count) * chunk_values;
            const float* chunk_mix = mix + static_cast<size_t>(next_out % slot_count) * chunk_values;
            MapAtOnce(chunk_pcm, chunk_bytes, false);
            const int64_t end = chunk_end(next_out);
            while (frames_done < end) {
                int64_t offset = frames_done - next_out * chunk_frames;
                int64_t wanted = end - frames_done;
                int32_t count = wanted < block_frames ? static_cast<int32_t>(wanted) : block_frames;
                if (!sink(chunk_pcm + offset * 2, chunk_mix + offset * 2, count, context)) {
                    result = -1;
                    break;
                }
                frames_done += count;
                if (progress != nullptr) progress(frames_done, song, context);
            }
            out.ready = false;
            next_out += 1;
            continue;
        }

        Slot& slot = slots[static_cast<size_t>(next_start % slot_count)];
        int16_t* chunk_pcm = pcm + static_cast<size_t>(next_start % slot_count) * chunk_values;
        float* chunk_mix = mix + static_cast<size_t>(next_start % slot_count) * chunk_values;
        const int64_t first = next_start * chunk_frames;
        const int32_t blocks =
            static_cast<int32_t>((chunk_end(next_start) - first + block_frames - 1) / block_frames);
        pid_t child = running < jobs - 1 ? fork() : -1;
        if (child == 0) {
            StartChild(parent);
            MapAtOnce(chunk_pcm, static_cast<size_t>(blocks) * block_frames * 2 * sizeof(int16_t),
                      true);
            MixBlocks(chunk_pcm, chunk_mix, blocks);
            _exit(0);
        }
        if (child > 0) {
            slot.child = child;
            running += 1;
            if (next_start + 1 < chunk_count) SkipRenderBlocks(blocks);
        } else {
            // Every child busy (or none to be had): this process mixes the chunk, which also
            // brings it to the next chunk's start.
            MixBlocks(chunk_pcm, chunk_mix, blocks);
            slot.ready = true;
        }
        next_start += 1;
    }

    EndChildren(&slots);
    munmap(shared, shared_bytes);
    StopRender();
    return result < 0 ? result : frames_done;
}


namespace {

// A chunk's span of blocks mixed at a time: its PCM and the float mix of its blocks.
struct Span {
    std::vector<int16_t> pcm;
    std::vector<float> mix;
};

// Mixes a chunk here, a span of blocks at a time, and hands the spans to the writer. False
// when the writer failed.
bool MixAndWrite(int64_t first, int64_t end, Span* span, ChunkWriter writer, void* context,
                 ChunkFigures* figures)
{
    const int32_t block_frames = RenderBlockFrames();
    const int64_t span_frames = static_cast<int64_t>(span->pcm.size()) / 2;
    for (int64_t at = first; at < end; at += span_frames) {
        const int64_t frames = end - at < span_frames ? end - at : span_frames;
        MixBlocks(span->pcm.data(), span->mix.data(),
                  static_cast<int32_t>((frames + block_frames - 1) / block_frames));
        if (!writer(at, span->pcm.data(), span->mix.data(), static_cast<int32_t>(frames), context,
                    figures)) {
            return false;
        }
    }
    return true;
}

struct Running {
    pid_t child;
    int64_t chunk;
};

}  // namespace

int64_t RenderSongIntoPlaces(Song* song, int64_t frames, int32_t jobs, int32_t chunk_blocks,
                             ChunkWriter writer, RenderProgress progress, void* context,
                             ChunkFigures* figures, std::string* failure)
{
    if (!StartRender(song)) {
        *failure = "no memory for the render";
        return -2;
    }
    const int32_t block_frames = RenderBlockFrames();
    // A child takes a long chunk: at most a (2 x jobs)-th of what remains, so that toward the
    // end they shorten and the processes finish together. This process takes short ones (an
    // eighth), so that it comes back often to start the next child.
    const int64_t total_blocks = (frames + block_frames - 1) / block_frames;
    const int64_t shortest = chunk_blocks / 8 > 1 ? chunk_blocks / 8 : 1;
    std::vector<int64_t> chunk_firsts;  // in frames
    std::vector<int64_t> chunk_ends;
    // Each chunk's figures, written by whichever process mixes it.
    const size_t most_chunks = static_cast<size_t>(total_blocks / shortest + 2);
    const size_t shared_bytes = most_chunks * sizeof(ChunkFigures);
    void* shared = MapShared(shared_bytes, failure);
    if (shared == nullptr) {
        StopRender();
        return -2;
    }
    ChunkFigures* chunk_figures = static_cast<ChunkFigures*>(shared);
    const size_t span_values = static_cast<size_t>(SPAN_BLOCKS) * block_frames * 2;
    Span span{std::vector<int16_t>(span_values), std::vector<float>(span_values)};
    std::vector<Running> running;
    const pid_t parent = getpid();
    auto writer_failure = [&](const ChunkFigures& figures) {
        return std::string("cannot write: ") + std::strerror(figures.error_number);
    };

    int64_t next_block = 0;
    int64_t frames_done = 0;
    bool failed = false;
    while (!failed) {
        // Children that have finished, without waiting; then the next chunk: on a child while
        // one is free, else here; then, with every chunk started, wait for the children.
        int status = 0;
        const bool all_started = next_block >= total_blocks;
        if (all_started && running.empty()) break;
        pid_t ended = waitpid(-1, &status, all_started ? 0 : WNOHANG);
        if (ended < 0 && errno == EINTR) continue;
        if (ended > 0) {
            for (size_t i = 0; i < running.size(); ++i) {
                if (running[i].child != ended) continue;
                const int64_t chunk = running[i].chunk;
                running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
                if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
                    frames_done += chunk_ends[chunk] - chunk_firsts[chunk];
                    if (progress != nullptr) progress(frames_done, song, context);
                } else {
                    *failure = WIFEXITED(status) && chunk_figures[chunk].error_number != 0
                                   ? writer_failure(chunk_figures[chunk])
                                   : ChildFailure(status);
                    failed = true;
                }
                break;
            }
            continue;
        }
        if (ended < 0 && all_started) {
            *failure = std::string("cannot wait for a render process: ") + std::strerror(errno);
            failed = true;
            break;
        }
        if (all_started) continue;

        const int64_t remaining = total_blocks - next_block;
        const bool child_free = static_cast<int32_t>(running.size()) < jobs - 1;
        int64_t length = child_free ? remaining / (2 * static_cast<int64_t>(jobs)) : shortest;
        length = std::min(std::max(length, shortest), std::min<int64_t>(chunk_blocks, remaining));
        const int64_t chunk = static_cast<int64_t>(chunk_firsts.size());
        const int64_t first = next_block * block_frames;
        const int64_t end = std::min(frames, (next_block + length) * block_frames);
        chunk_firsts.push_back(first);
        chunk_ends.push_back(end);
        next_block += length;
        ChunkFigures* figures_of_chunk = &chunk_figures[chunk];
        // The last chunk is mixed here: a child would only keep this process waiting.
        pid_t child = child_free && end < frames ? fork() : -1;
        if (child == 0) {
            StartChild(parent);
            bool written = MixAndWrite(first, end, &span, writer, context, figures_of_chunk);
            _exit(written ? 0 : 3);
        }
        if (child > 0) {
            running.push_back(Running{child, chunk});
            SkipRenderBlocks(static_cast<int32_t>(length));
        } else if (MixAndWrite(first, end, &span, writer, context, figures_of_chunk)) {
            frames_done += end - first;
            if (progress != nullptr) progress(frames_done, song, context);
        } else {
            *failure = writer_failure(*figures_of_chunk);
            failed = true;
        }
    }

    for (const Running& r : running) EndChild(r.child);
    if (!failed) {
        for (size_t chunk = 0; chunk < chunk_firsts.size(); ++chunk) {
            figures->clipped += chunk_figures[chunk].clipped;
            figures->peak = std::max(figures->peak, chunk_figures[chunk].peak);
            figures->loudest_clipped =
                std::max(figures->loudest_clipped, chunk_figures[chunk].loudest_clipped);
        }
    }
    munmap(shared, shared_bytes);
    StopRender();
    return failed ? -2 : frames_done;
}

#endif
