// The callback table, the stream layer over it, and the read-only memory source.
//
// The memory source never reads outside [data, data + size): reads are shortened at the end,
// and its position is kept inside 0..size whatever a seek asks for (a seek before the start
// stops at 0, a seek past the end stops at the end).
#include "player/source.h"

#include <cstdlib>
#include <cstring>

SourceCallbacks source_callbacks;

void RegisterSourceCallbacks(SourceOpen open, SourceClose close, SourceRead read, SourceSeek seek,
                             SourceTell tell)
{
    if (open && close && read && seek && tell) {
        source_callbacks = SourceCallbacks{open, close, read, seek, tell};
    } else {
        source_callbacks = SourceCallbacks{};
    }
}

bool SourceCallbacksComplete()
{
    const SourceCallbacks& c = source_callbacks;
    return c.open && c.close && c.read && c.seek && c.tell;
}

// An unregistered (or partly registered) table opens nothing, so every later stream call
// sees no stream and does nothing.
SourceStream* OpenStream(const void* name)
{
    if (!SourceCallbacksComplete()) return nullptr;
    SourceStream* stream = static_cast<SourceStream*>(calloc(1, sizeof(SourceStream)));
    if (!stream) return nullptr;
    stream->handle = source_callbacks.open(name);
    if (!stream->handle) {
        free(stream);
        return nullptr;
    }
    return stream;
}

void CloseStream(SourceStream* stream)
{
    if (!stream) return;
    if (source_callbacks.close) source_callbacks.close(stream->handle);
    free(stream);
}

int32_t StreamRead(void* destination, int32_t byte_count, SourceStream* stream)
{
    if (!stream || !source_callbacks.read) return 0;
    return source_callbacks.read(destination, byte_count, stream->handle);
}

void StreamSeek(SourceStream* stream, int32_t offset, int32_t origin)
{
    if (!stream || !source_callbacks.seek) return;
    source_callbacks.seek(stream->handle, offset, origin);
}

int32_t StreamTell(SourceStream* stream)
{
    if (!stream || !source_callbacks.tell) return 0;
    return source_callbacks.tell(stream->handle);
}

namespace {

ModuleSource* NewModuleSource(const uint8_t* data, int32_t size)
{
    ModuleSource* source = static_cast<ModuleSource*>(calloc(1, sizeof(ModuleSource)));
    if (!source) return nullptr;
    source->size = size > 0 && data ? size : 0;
    source->position = 0;
    source->data = data;
    return source;
}

}  // namespace

namespace {

MemoryBuffer memory_module;

}  // namespace

void RegisterMemoryModule(const uint8_t* data, int32_t size) { memory_module = {data, size}; }

void* OpenMemorySource(const void*)
{
    if (memory_module.data == nullptr) return nullptr;
    return NewModuleSource(memory_module.data, memory_module.size);
}

void* OpenBufferSource(const void* name)
{
    if (!name) return nullptr;
    const MemoryBuffer* buffer = static_cast<const MemoryBuffer*>(name);
    return NewModuleSource(buffer->data, buffer->size);
}

void CloseMemorySource(void* source) { free(source); }

int32_t ReadMemorySource(void* destination, int32_t byte_count, void* handle)
{
    ModuleSource* source = static_cast<ModuleSource*>(handle);
    if (!source || !destination || byte_count <= 0) return 0;
    // 64-bit so that a huge count cannot overflow the sum.
    int64_t left = static_cast<int64_t>(source->size) - source->position;
    if (static_cast<int64_t>(source->position) + byte_count >= source->size) {
        byte_count = static_cast<int32_t>(left);
    }
    if (byte_count <= 0) return 0;
    memcpy(destination, source->data + source->position, static_cast<size_t>(byte_count));
    source->position += byte_count;
    return byte_count;
}

void SeekMemorySource(void* handle, int32_t offset, int32_t origin)
{
    ModuleSource* source = static_cast<ModuleSource*>(handle);
    if (!source) return;
    int64_t position = source->position;
    switch (origin & 0xFF) {
    case 0: position = offset; break;
    case 1: position += offset; break;
    case 2: position = static_cast<int64_t>(source->size) + offset; break;
    default: return;
    }
    if (position > source->size) position = source->size;
    if (position < 0) position = 0;
    source->position = static_cast<int32_t>(position);
}

int32_t TellMemorySource(void* handle)
{
    ModuleSource* source = static_cast<ModuleSource*>(handle);
    return source ? source->position : 0;
}

void RegisterBufferSource()
{
    RegisterSourceCallbacks(OpenBufferSource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
}
