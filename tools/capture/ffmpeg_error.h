// One line for a failed FFmpeg call: what could not be done and FFmpeg's reason.
#pragma once

extern "C" {
#include <libavutil/error.h>
}

#include <string>

inline std::string FfmpegText(const std::string& what, int code)
{
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, reason, sizeof(reason));
    return what + ": " + reason;
}
