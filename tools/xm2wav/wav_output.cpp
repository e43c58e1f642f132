#include "tools/xm2wav/wav_output.h"

#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Standard output in binary mode: Windows' C runtime would otherwise write every byte 10 as
// 13 10.
void UseBinaryMode(FILE* file)
{
#ifdef _WIN32
    _setmode(_fileno(file), _O_BINARY);
#else
    (void)file;
#endif
}

// Renames the finished file into place, replacing an existing one. Windows' C runtime
// refuses to rename onto an existing file: there the old file is removed first.
bool MoveIntoPlace(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
#ifdef _WIN32
    if (errno == EACCES || errno == EEXIST) {
        return std::remove(to.c_str()) == 0 && std::rename(from.c_str(), to.c_str()) == 0;
    }
#endif
    return false;
}

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

// The data size of a RIFF file is 32 bits; longer renders are refused before they start.
constexpr int64_t MAX_DATA_BYTES = 0xFFFFFFFFll - 36;

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

bool OpenWavOutput(WavOutput* out, const std::string& destination, int64_t frames, int32_t rate)
{
    out->destination = destination;
    out->temporary.clear();
    out->file = nullptr;
    out->frames_written = 0;
    out->pending.clear();
    out->pending.reserve(2 * WRITE_BYTES);
    if (frames * 4 > MAX_DATA_BYTES) {
        out->error = "too long for a WAV file";
        return false;
    }
    if (destination == "-") {
        out->file = stdout;
        UseBinaryMode(stdout);
    } else {
        std::string pattern = destination + ".partial-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        int fd = mkstemp(name.data());
        if (fd < 0) {
            out->error = ErrnoText("cannot create the output file");
            return false;
        }
        out->temporary = name.data();
        // mkstemp creates the file for its owner only; give it the usual permissions.
        mode_t mask = umask(0);
        umask(mask);
        chmod(name.data(), 0666 & ~mask);
        out->file = fdopen(fd, "wb");
        if (out->file == nullptr) {
            out->error = ErrnoText("cannot open the output file");
            close(fd);
            unlink(out->temporary.c_str());
            out->temporary.clear();
            return false;
        }
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

bool FinishWavOutput(WavOutput* out, int32_t rate)
{
    if (!WritePending(out)) return false;
    if (out->temporary.empty()) {
        if (std::fflush(out->file) != 0) {
            out->error = ErrnoText("cannot write");
            return false;
        }
        return true;
    }
    uint8_t header[44];
    MakeWavHeader(header, out->frames_written, rate);
    bool ok = std::fseek(out->file, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof(header), out->file) == sizeof(header);
    ok = (std::fclose(out->file) == 0) && ok;
    out->file = nullptr;
    if (!ok) {
        out->error = ErrnoText("cannot write");
        unlink(out->temporary.c_str());
        return false;
    }
    if (!MoveIntoPlace(out->temporary, out->destination)) {
        out->error = ErrnoText("cannot rename the finished file into place");
        unlink(out->temporary.c_str());
        return false;
    }
    out->temporary.clear();
    return true;
}

void AbandonWavOutput(WavOutput* out)
{
    out->pending.clear();
    if (out->file != nullptr && out->file != stdout) std::fclose(out->file);
    out->file = nullptr;
    if (!out->temporary.empty()) unlink(out->temporary.c_str());
    out->temporary.clear();
}
