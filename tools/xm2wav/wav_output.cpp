#include "tools/xm2wav/wav_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

void Put16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void Put32(uint8_t* at, uint32_t value)
{
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// The renderer hands over blocks of a few kilobytes; they reach the file in writes of about
// this size.
constexpr size_t WRITE_BYTES = 256 * 1024;

bool WritePending(WavOutput* out)
{
    bool ok = out->pending.empty() || std::fwrite(out->pending.data(), 1, out->pending.size(),
                                                  out->file) == out->pending.size();
    out->pending.clear();
    if (!ok) out->error = ErrnoText("cannot write");
    return ok;
}

}  // namespace

void MakeWavHeader(uint8_t header[44], int64_t frames, int32_t rate)
{
    uint32_t data_bytes = static_cast<uint32_t>(frames * 4);
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, 36 + data_bytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Put32(header + 16, 16);
    Put16(header + 20, 1);  // PCM
    Put16(header + 22, 2);  // stereo
    Put32(header + 24, static_cast<uint32_t>(rate));
    Put32(header + 28, static_cast<uint32_t>(rate) * 4);
    Put16(header + 32, 4);
    Put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, data_bytes);
}

bool OpenWavOutput(WavOutput* out, const std::string& destination, const OutputRules& rules)
{
    out->file = nullptr;
    out->frames_written = 0;
    out->error.clear();
    out->pending.clear();
    out->pending.reserve(2 * WRITE_BYTES);
    if (!OpenOutputFile(&out->output, destination, rules)) {
        out->error = out->output.error;
        return false;
    }
    out->file = out->output.stream;
    return true;
}

bool WriteWavHeader(WavOutput* out, int64_t frames, int32_t rate)
{
    // Longer renders are refused before they start.
    if (frames > MAX_WAV_FRAMES) {
        out->error = "too long for a WAV file";
        return false;
    }
    uint8_t header[44];
    MakeWavHeader(header, frames, rate);
    if (std::fwrite(header, 1, sizeof(header), out->file) != sizeof(header)) {
        out->error = ErrnoText("cannot write");
        return false;
    }
    return true;
}

bool WriteWavFrames(WavOutput* out, const int16_t* pcm, int32_t frames)
{
    // The PCM is little-endian 16-bit, as on the machines this tool runs on.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pcm);
    out->pending.insert(out->pending.end(), bytes, bytes + static_cast<size_t>(frames) * 4);
    out->frames_written += frames;
    return out->pending.size() < WRITE_BYTES || WritePending(out);
}

bool WriteWavFramesAt(WavOutput* out, int64_t first_frame, const int16_t* pcm, int32_t frames)
{
    const char* bytes = reinterpret_cast<const char*>(pcm);
    size_t left = static_cast<size_t>(frames) * 4;
    int64_t at = 44 + first_frame * 4;
#ifdef _WIN32
    // One process writes on Windows: the stream's own position will do.
    int64_t position = _ftelli64(out->file);
    bool written = _fseeki64(out->file, at, SEEK_SET) == 0 &&
                   std::fwrite(bytes, 1, left, out->file) == left &&
                   _fseeki64(out->file, position, SEEK_SET) == 0;
    return written;
#else
    const int fd = fileno(out->file);
    while (left > 0) {
        ssize_t done = pwrite(fd, bytes, left, static_cast<off_t>(at));
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += done;
        left -= static_cast<size_t>(done);
        at += done;
    }
    return true;
#endif
}

bool FinishWavOutput(WavOutput* out, int32_t rate)
{
    if (!WritePending(out)) {
        AbandonWavOutput(out);
        return false;
    }
    if (OutputCanRewind(out->output)) {
        uint8_t header[44];
        MakeWavHeader(header, out->frames_written, rate);
        if (std::fseek(out->file, 0, SEEK_SET) != 0 ||
            std::fwrite(header, 1, sizeof(header), out->file) != sizeof(header)) {
            out->error = ErrnoText("cannot write");
            AbandonWavOutput(out);
            return false;
        }
    }
    out->file = nullptr;
    if (!FinishOutputFile(&out->output)) {
        out->error = out->output.error;
        return false;
    }
    return true;
}

void AbandonWavOutput(WavOutput* out)
{
    out->pending.clear();
    out->file = nullptr;
    AbandonOutputFile(&out->output);
}
