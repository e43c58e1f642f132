// Module source: the five callbacks through which the player reads a module, the stream
// layer the loader calls, and the memory source over a module held in memory.
#pragma once

#include <cstddef>
#include <cstdint>

typedef void* (*SourceOpen)(const void* name);
typedef void (*SourceClose)(void* handle);
typedef int32_t (*SourceRead)(void* destination, int32_t byte_count, void* handle);
typedef void (*SourceSeek)(void* handle, int32_t offset, int32_t origin);
typedef int32_t (*SourceTell)(void* handle);

// The one registered table; all empty until RegisterSourceCallbacks stores a complete set.
struct SourceCallbacks {
    SourceOpen open;
    SourceClose close;
    SourceRead read;
    SourceSeek seek;
    SourceTell tell;
};
extern SourceCallbacks source_callbacks;

// All five given: store them. Any one missing: clear all five.
void RegisterSourceCallbacks(SourceOpen open, SourceClose close, SourceRead read, SourceSeek seek,
                             SourceTell tell);
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

// The memory source. OpenMemorySource opens the module registered with RegisterMemoryModule
// (the intro registers its embedded module), whatever name it is given; nothing before one
// is registered. The bytes must outlive every load that reads them.
struct ModuleSource {
    int32_t size;
    int32_t position;
    const uint8_t* data;
};

void RegisterMemoryModule(const uint8_t* data, int32_t size);
void* OpenMemorySource(const void* name);
void CloseMemorySource(void* source);
int32_t ReadMemorySource(void* destination, int32_t byte_count, void* source);
void SeekMemorySource(void* source, int32_t offset, int32_t origin);
int32_t TellMemorySource(void* source);

// The same memory source over any bytes (tools and tests load files through it): `name`
// passed to OpenBufferSource must point at a MemoryBuffer.
struct MemoryBuffer {
    const uint8_t* data;
    int32_t size;
};
void* OpenBufferSource(const void* name);
// Registers OpenBufferSource with the memory source's other four callbacks.
void RegisterBufferSource();
