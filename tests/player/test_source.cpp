// The callback table, the stream layer and the memory source.
#include <gtest/gtest.h>

#include <vector>

#include "assets/assets.h"
#include "player/source.h"

namespace {

// A buffer the size of the embedded module, filled with its offsets' low bytes.
struct ModuleSizedBuffer {
    std::vector<uint8_t> bytes;
    MemoryBuffer buffer;
    ModuleSizedBuffer() : bytes(EMBEDDED_MODULE_SIZE)
    {
        for (size_t k = 0; k < bytes.size(); k++) bytes[k] = uint8_t(k);
        buffer = MemoryBuffer{bytes.data(), int32_t(bytes.size())};
    }
};

void* OpenNothing(const void*) { return nullptr; }

TEST(SourceCallbacks, AnyMissingCallbackClearsAllFive)
{
    RegisterBufferSource();
    ASSERT_TRUE(SourceCallbacksComplete());
    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, nullptr,
                            TellMemorySource);
    EXPECT_EQ(source_callbacks.open, nullptr);
    EXPECT_EQ(source_callbacks.close, nullptr);
    EXPECT_EQ(source_callbacks.read, nullptr);
    EXPECT_EQ(source_callbacks.seek, nullptr);
    EXPECT_EQ(source_callbacks.tell, nullptr);
    EXPECT_FALSE(SourceCallbacksComplete());

    RegisterSourceCallbacks(OpenMemorySource, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
    EXPECT_EQ(source_callbacks.open, &OpenMemorySource);
    EXPECT_EQ(source_callbacks.seek, &SeekMemorySource);
    RegisterSourceCallbacks(nullptr, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
    EXPECT_FALSE(SourceCallbacksComplete());
    EXPECT_EQ(source_callbacks.tell, nullptr);
}

TEST(SourceStream, NoStreamMeansNothingHappens)
{
    uint8_t byte = 7;
    EXPECT_EQ(StreamRead(&byte, 1, nullptr), 0);
    EXPECT_EQ(StreamTell(nullptr), 0);
    StreamSeek(nullptr, 5, 0);
    CloseStream(nullptr);
    EXPECT_EQ(byte, 7);
}

TEST(SourceStream, UnregisteredTableOrFailedOpenGivesNoStream)
{
    RegisterSourceCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    ModuleSizedBuffer module;
    EXPECT_EQ(OpenStream(&module.buffer), nullptr);
    RegisterSourceCallbacks(OpenNothing, CloseMemorySource, ReadMemorySource, SeekMemorySource,
                            TellMemorySource);
    EXPECT_EQ(OpenStream(&module.buffer), nullptr);  // the record is freed (LeakSanitizer)
    RegisterBufferSource();
    EXPECT_EQ(OpenStream(nullptr), nullptr);
}

TEST(MemorySource, OpensTheRegisteredModuleWhateverTheName)
{
    RegisterMemoryModule(nullptr, 0);
    EXPECT_EQ(OpenMemorySource("anything"), nullptr);
    RegisterMemoryModule(embedded_module, EMBEDDED_MODULE_SIZE);
    auto* source = static_cast<ModuleSource*>(OpenMemorySource("anything"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->size, EMBEDDED_MODULE_SIZE);
    EXPECT_EQ(source->position, 0);
    EXPECT_EQ(source->data, embedded_module);
    CloseMemorySource(source);
}

TEST(MemorySource, ReadsAreShortenedAtTheEnd)
{
    ModuleSizedBuffer module;
    RegisterBufferSource();
    SourceStream* stream = OpenStream(&module.buffer);
    ASSERT_NE(stream, nullptr);
    uint8_t out[100];
    memset(out, 0xEE, sizeof(out));
    EXPECT_EQ(StreamRead(out, 17, stream), 17);
    EXPECT_EQ(out[16], 16);
    StreamSeek(stream, 57000, 0);
    EXPECT_EQ(StreamRead(out, 100, stream), 56);
    EXPECT_EQ(out[0], uint8_t(57000));
    EXPECT_EQ(out[55], uint8_t(57055));
    EXPECT_EQ(out[56], 0xEE);
    EXPECT_EQ(StreamTell(stream), 57056);
    out[0] = 0x55;
    EXPECT_EQ(StreamRead(out, 100, stream), 0);
    EXPECT_EQ(out[0], 0x55);
    StreamSeek(stream, 10, 0);
    EXPECT_EQ(StreamRead(out, 0, stream), 0);
    EXPECT_EQ(StreamRead(out, -4, stream), 0);
    EXPECT_EQ(StreamTell(stream), 10);
    CloseStream(stream);
}

TEST(MemorySource, SeeksStayInsideTheData)
{
    ModuleSizedBuffer module;
    void* source = OpenBufferSource(&module.buffer);
    SeekMemorySource(source, 0, 2);
    EXPECT_EQ(TellMemorySource(source), 57056);
    SeekMemorySource(source, 70000, 0);
    EXPECT_EQ(TellMemorySource(source), 57056);
    SeekMemorySource(source, -6, 2);
    EXPECT_EQ(TellMemorySource(source), 57050);
    SeekMemorySource(source, 4, 1);
    EXPECT_EQ(TellMemorySource(source), 57054);
    SeekMemorySource(source, 100, 3);  // unknown origin: no move
    EXPECT_EQ(TellMemorySource(source), 57054);
    SeekMemorySource(source, 8, 0x100);  // only the origin's low byte counts: from the start
    EXPECT_EQ(TellMemorySource(source), 8);
    // Before the start: stops at 0, so no read ever comes from before the data.
    SeekMemorySource(source, -100, 1);
    EXPECT_EQ(TellMemorySource(source), 0);
    SeekMemorySource(source, INT32_MAX, 0);
    SeekMemorySource(source, INT32_MAX, 1);
    EXPECT_EQ(TellMemorySource(source), 57056);
    uint8_t byte = 0;
    SeekMemorySource(source, INT32_MIN, 2);
    EXPECT_EQ(ReadMemorySource(&byte, 1, source), 1);
    EXPECT_EQ(byte, 0);
    CloseMemorySource(source);
}

TEST(MemorySource, EmptyOrMissingBuffers)
{
    MemoryBuffer empty{nullptr, 0};
    void* source = OpenBufferSource(&empty);
    ASSERT_NE(source, nullptr);
    uint8_t byte = 3;
    EXPECT_EQ(ReadMemorySource(&byte, 1, source), 0);
    CloseMemorySource(source);
    MemoryBuffer negative{reinterpret_cast<const uint8_t*>("x"), -5};
    source = OpenBufferSource(&negative);
    EXPECT_EQ(ReadMemorySource(&byte, 1, source), 0);
    SeekMemorySource(source, 0, 2);
    EXPECT_EQ(TellMemorySource(source), 0);
    CloseMemorySource(source);
    EXPECT_EQ(OpenBufferSource(nullptr), nullptr);
    EXPECT_EQ(byte, 3);
}

}  // namespace
