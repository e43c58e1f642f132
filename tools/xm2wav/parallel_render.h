// Rendering on several processes at once, byte for byte what RenderSong gives.
//
// The render is cut into chunks of whole blocks. The mixing of a chunk depends only on where
// the song, its channels and its voices stand at the chunk's first block, never on the
// samples mixed before it. So this process walks through the song with the mixer advancing
// the voices without mixing (SetAdvanceOnly, player/mixer_path.h), and at each chunk's first
// block starts a child process (fork) that inherits exactly that state, mixes the chunk's
// blocks as RenderSong would and leaves their PCM in memory shared with this process. This
// process hands the chunks to the sink in order, block by block, as RenderSong does.
// Memory stays bounded: at most twice `jobs` chunks are in flight.
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

// As RenderSong, with at most `jobs` child processes mixing chunks of `chunk_blocks` blocks at
// once. Returns the frames handed over, -1 when the sink refused a block, or -2 when a child
// failed (killed, or no shared memory): `failure` then says what happened, and every other
// child has been ended. With one job, or a render of one chunk, it is RenderSong.
int64_t RenderSongInParallel(Song* song, int64_t frames, int32_t jobs, int32_t chunk_blocks,
                             BlockSink sink, RenderProgress progress, void* context,
                             std::string* failure);
