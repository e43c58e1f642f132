// What the video file holds: its container (and with it the codecs), its picture size and
// frame rate, and the size of the pictures handed in.
#pragma once

enum VideoContainer {
    // .mkv: FFV1 video in RGB and FLAC audio, both lossless, for archiving and exact checks.
    CONTAINER_LOSSLESS,
    // .mp4: H.264 (CRF 18, yuv420p) with AAC at 192 kb/s and the index at the front, what
    // video sites take.
    CONTAINER_H264,
};

struct VideoSettings {
    VideoContainer container;
    int width;  // the video's picture; the source is scaled into it, 4:3 kept
    int height;
    int source_width;  // the pictures handed in (the back buffer)
    int source_height;
    int fps_num;  // frames per second as a fraction
    int fps_den;
    int audio_rate;  // 16-bit stereo frames per second
};
