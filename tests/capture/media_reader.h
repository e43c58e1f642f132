// Reading a video file back with FFmpeg's libraries, for the capture tests: its streams'
// facts, its pictures one by one as 0x00RRGGBB pixels, and its whole audio as interleaved
// 16-bit stereo.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct MediaReader {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int video_index = -1;
    int audio_index = -1;
    SwsContext* to_rgb = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    bool at_end = false;
    std::deque<std::vector<uint32_t>> pictures;  // decoded, not yet taken
    std::vector<int16_t> sound;                  // every audio sample decoded so far
    std::string error;
};

// False, with reader->error set, when the file or its streams cannot be opened.
bool OpenMedia(MediaReader* reader, const std::string& path);
// The next picture, width x height pixels 0x00RRGGBB; false after the last.
bool NextPicture(MediaReader* reader, std::vector<uint32_t>* pixels);
// Decodes to the end; the audio is then complete in reader->sound.
void ReadToEnd(MediaReader* reader);
void CloseMedia(MediaReader* reader);

// Peak signal-to-noise ratio of two equally long pixel arrays over their red, green and
// blue bytes, in dB (infinite when equal).
double PicturePsnr(const std::vector<uint32_t>& a, const uint32_t* b, size_t count);
