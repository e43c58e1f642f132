// The encoders of each container, with their settings (encoders.cpp): FFV1 and FLAC for the
// lossless file, libx264 and AAC for the H.264 one.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <string>

#include "tools/capture/video_settings.h"

// Opens the video encoder for the settings; `global_header` when the container wants the
// codec's headers out of band. Null, with a reason, on failure.
AVCodecContext* OpenVideoEncoder(const VideoSettings& settings, bool global_header,
                                 std::string* error);
AVCodecContext* OpenAudioEncoder(const VideoSettings& settings, bool global_header,
                                 std::string* error);
