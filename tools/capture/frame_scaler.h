// From the back buffer to the video's pictures (frame_scaler.cpp): the 0x00RRGGBB source
// scaled into the largest 4:3 area of the picture, centred, with black bars beside or
// above and below it, and converted to the encoder's pixel format.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstdint>

struct FrameScaler {
    SwsContext* convert;  // none when the picture is the source itself, copied row by row
    AVPixelFormat format;
    int width;  // of the picture
    int height;
    int area_x;  // the source's area within the picture
    int area_y;
    int area_width;
    int area_height;
    int source_height;
};

// False when FFmpeg cannot convert between the sizes or formats.
bool OpenFrameScaler(FrameScaler* scaler, int source_width, int source_height, AVPixelFormat format,
                     int width, int height);
// Writes the source (`pitch` pixels per row) into `picture`, a writable frame of the
// scaler's format and size. Supports 0RGB32 (the source's own format) and YUV420P.
void ScaleFrame(const FrameScaler& scaler, const uint32_t* pixels, int pitch, AVFrame* picture);
void CloseFrameScaler(FrameScaler* scaler);

// Where a width x height source lands in a picture: the largest area of the source's aspect
// ratio, centred, its sides and position even (as 4:2:0 chroma needs).
void FitArea(int source_width, int source_height, int width, int height, int* area_x, int* area_y,
             int* area_width, int* area_height);
