// capture's command line (capture_options.cpp):
//   capture [OPTIONS] OUT.mkv|OUT.mp4|-
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
    bool force;      // -f, --force: an existing file may be replaced
    double gain_db;  // --gain: the music's mix scaled before its conversion to 16 bits
};

// Returns -1 when the options are usable, else the exit status: 0 after --help or --version
// (printed on standard output), 2 after a usage mistake (said in one line on standard error,
// with the pointer to --help).
int ParseCaptureOptions(int argc, char** argv, CaptureOptions* options);
