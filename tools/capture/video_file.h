// Writing the video file (video_file.cpp): pictures and 16-bit stereo PCM in, encoded and
// interleaved by FFmpeg's libraries into the container of the settings. Picture k is shown
// at k / fps seconds and the first audio frame at 0 s.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/capture/frame_scaler.h"
#include "tools/capture/video_settings.h"

struct VideoFile {
    AVFormatContext* format;
    AVCodecContext* video;
    AVCodecContext* audio;
    AVStream* video_stream;
    AVStream* audio_stream;
    AVFrame* picture;
    AVFrame* sound;
    AVPacket* packet;
    bool own_io;  // format->pb writes to a stream of ours: freed here, not closed by FFmpeg
    FrameScaler scaler;
    int64_t pictures_sent;
    int64_t samples_sent;          // audio frames handed to the encoder
    std::vector<int16_t> waiting;  // interleaved PCM short of a whole encoder frame
};

// Where the file goes: a regular file by its path (opened, overwritten, sought in: the H.264
// file's index is moved to the front at the end), or else a stream written straight through
// (a pipe or a device; only the lossless container can be written that way).
struct VideoTarget {
    std::string path;        // empty: write to `stream`
    FILE* stream = nullptr;  // stays open; the caller flushes and closes it
};

// Opens the target (its name need not say the container) and writes the file's header. On
// failure returns false with a reason; call CloseVideoFile in any case.
bool OpenVideoFile(VideoFile* file, const VideoTarget& target, const VideoSettings& settings,
                   std::string* error);
// The next picture: source_width x source_height pixels 0x00RRGGBB, `pitch` pixels per row.
bool WriteVideoPicture(VideoFile* file, const uint32_t* pixels, int pitch, std::string* error);
// The next `frames` frames of interleaved 16-bit stereo PCM.
bool WriteVideoSound(VideoFile* file, const int16_t* pcm, int32_t frames, std::string* error);
// Drains both encoders, writes the trailer (moving the index to the front of an H.264
// file) and closes the file.
bool FinishVideoFile(VideoFile* file, std::string* error);
// Frees everything; safe after a failure at any step.
void CloseVideoFile(VideoFile* file);
