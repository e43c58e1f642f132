// capture's command line (capture_options.cpp):
//   capture [-f] OUT [--seconds S] [--fps F] [--size WxH]
#pragma once

#include <string>

#include "tools/capture/video_settings.h"

struct CaptureOptions {
    std::string output;
    VideoContainer container;  // by the output's extension
    bool fixed_length;         // --seconds given
    double seconds;
    int fps_num;  // --fps as a fraction, default 60/1
    int fps_den;
    int width;  // --size, default 800 x 600
    int height;
    bool force;  // -f, --force: an existing file may be replaced
};

// False with a one-line reason when the arguments are wrong.
bool ParseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error);
