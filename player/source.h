// Module source: the registered table of the five callbacks through which the player reads a
// module, the stream layer the loader calls, and the memory source's record. The callback
// types, the registration and the memory source's callbacks are in player.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "player/player.h"

// The one registered table; all empty until RegisterSourceCallbacks stores a complete set.
struct SourceCallbacks {
    SourceOpen open;
    SourceClose close;
    SourceRead read;
    SourceSeek seek;
    SourceTell tell;
};
extern SourceCallbacks source_callbacks;

bool SourceCallbacksComplete();

// One open stream: the handle the source's open returned.
struct SourceStream {
    void* handle;
};

SourceStream* OpenStream(const void* name);
void CloseStream(SourceStream* stream);
int32_t StreamRead(void* destination, int32_t byte_count, SourceStream* stream);
void StreamSeek(SourceStream* stream, int32_t offset, int32_t origin);
int32_t StreamTell(SourceStream* stream);

// One open module of the memory source.
struct ModuleSource {
    int32_t size;
    int32_t position;
    const uint8_t* data;
};

// The same memory source over any bytes (LoadModuleFromBytes and the tests load through it): `name`
// passed to OpenBufferSource must point at a MemoryBuffer.
struct MemoryBuffer {
    const uint8_t* data;
    int32_t size;
};
void* OpenBufferSource(const void* name);
// Registers OpenBufferSource with the memory source's other four callbacks.
void RegisterBufferSource();
