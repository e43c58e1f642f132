// Rendering on several processes at once, byte for byte what RenderSong gives.
//
// The render is cut into chunks of whole blocks. The mixing of a chunk depends only on where
// the song, its channels and its voices stand at the chunk's first block, never on the
// samples mixed before it. So this process walks through the song without mixing
// (SkipRenderBlocks, player/player.h), and at a chunk's first
// block starts a child process (fork) that inherits exactly that state and mixes the chunk's
// blocks as RenderSong would. Two ways to the output:
// - in order (RenderSongInParallel, for any output, a stream too): the children leave their
//   PCM in memory shared with this process (and the float mix of the blocks that reached a
//   16-bit limit), which hands the chunks to the sink in order, block by block; at most
//   `jobs` + 1 chunks are held at once;
// - at their places (RenderSongIntoPlaces, for a file): each process writes what it mixed at
//   its place in the file; nothing but a few figures is shared.
// Either way this process mixes chunks too while `jobs` - 1 children are busy, so that it
// walks past only the children's chunks.
//
// Where processes cannot be forked (Windows) it renders on this one process.
#pragma once

#include <cstdint>
#include <string>

#include "tools/xm2wav/render.h"

// The processors this process may run on: the default number of jobs (1 on Windows).
int32_t DefaultRenderJobs();

// Whether rendering can use more than one process here.
bool ParallelRenderAvailable();

// As RenderSong, with this process and at most `jobs` - 1 children mixing chunks of
// `chunk_blocks` blocks at once. The sink's float mix is only good for a block whose PCM
// reached a 16-bit limit. Returns the frames handed over, -1 when the sink refused a
// block, or -2 when a child failed (killed, or no shared memory): `failure` then says what
// happened, and every other child has been ended. With one job, or a render of one chunk, it
// is RenderSong.
int64_t RenderSongInParallel(Song* song, int64_t frames, int32_t jobs, int32_t chunk_blocks,
                             BlockSink sink, RenderProgress progress, void* context,
                             std::string* failure);

// What the process that mixed a chunk tells back: the figures its writer measured of the
// player's PCM, and why the writer failed.
struct ChunkFigures {
    int64_t clipped;        // samples at the 16-bit limits
    int32_t peak;           // the largest magnitude
    float loudest_clipped;  // the largest magnitude of the mix in blocks that clipped
    int32_t error_number;   // errno of a failed write; 0: none
};

// Writes `frames` frames that start at frame `first_frame` of the render at their place in the
// output, and adds its figures to `figures`; may change the PCM. `mix` holds the float mix
// of each block whose PCM reached a 16-bit limit (elsewhere anything). False on failure, with
// figures->error_number set.
typedef bool (*ChunkWriter)(int64_t first_frame, int16_t* pcm, const float* mix, int32_t frames,
                            void* context, ChunkFigures* figures);

// As RenderSongInParallel, for an output that each process can write at any place (a regular
// file): the process that mixes a chunk writes it itself. A child's chunk is at most
// `chunk_blocks` blocks, shorter toward the end; this process mixes chunks of an eighth of
// that, so that it soon starts the next child. Nothing passes through shared memory but each chunk's
// figures, summed into `figures` at the end. Returns the frames written, or -2 with `failure`
// set ("cannot write: ..." when a writer failed) and every child ended.
int64_t RenderSongIntoPlaces(Song* song, int64_t frames, int32_t jobs, int32_t chunk_blocks,
                             ChunkWriter writer, RenderProgress progress, void* context,
                             ChunkFigures* figures, std::string* failure);
