// The lossless file takes the back buffer as it is: FFV1 codes 0x00RRGGBB pixels (FFmpeg's
// 0RGB32, BGR0 in memory on little-endian machines) without any conversion, and FLAC codes
// the 16-bit PCM itself, so decoding gives back every pixel and every sample.
//
// The H.264 file is coded in yuv420p with the BT.709 matrix at limited range, and says so
// in its colour tags, so players convert it back with the same matrix at any size.
//
// Every encoder is asked for bit-exact output, so two runs write the same file.
#include "tools/capture/encoders.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "tools/capture/ffmpeg_error.h"

namespace {

constexpr int AAC_BIT_RATE = 192000;
constexpr char H264_CRF[] = "18";
// x264's "veryfast" preset. On the intro's frames at CRF 18 it loses about 1.1 dB against
// the default "medium" (42.8 against 43.9 dB over the first 10 s, files of about the same
// size) and needs about half its processor time, so that the capture of 800 x 600 at 60 fps
// stays more than twice as fast as real time on two cores even when they are not all ours.
constexpr char H264_PRESET[] = "veryfast";
// FFV1 version 3 codes slices in parallel; 4 slices keep both cores busy at 800 x 600. Golomb-
// Rice coding with the large context set: on the intro's frames the range coder makes files
// about a fifth smaller but takes about 1.3 times as long to write and 1.6 times as long to
// read.
constexpr int FFV1_SLICES = 4;
constexpr int FFV1_THREADS = 2;
constexpr int FFV1_GOLOMB_RICE = 0;
constexpr int FFV1_LARGE_CONTEXT = 1;

AVCodecContext* Allocate(const char* name, std::string* error, const AVCodec** codec)
{
    *codec = avcodec_find_encoder_by_name(name);
    if (*codec == nullptr) {
        *error = std::string("this FFmpeg has no ") + name + " encoder";
        return nullptr;
    }
    AVCodecContext* context = avcodec_alloc_context3(*codec);
    if (context == nullptr) *error = "out of memory";
    return context;
}

AVCodecContext* Open(AVCodecContext* context, const AVCodec* codec, bool global_header,
                     AVDictionary** options, std::string* error)
{
    if (global_header) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    context->flags |= AV_CODEC_FLAG_BITEXACT;
    const int result = avcodec_open2(context, codec, options);
    av_dict_free(options);
    if (result < 0) {
        *error = FfmpegText(std::string("cannot open the ") + codec->name + " encoder", result);
        avcodec_free_context(&context);
        return nullptr;
    }
    return context;
}

}  // namespace

AVCodecContext* OpenVideoEncoder(const VideoSettings& settings, bool global_header,
                                 std::string* error)
{
    const bool lossless = settings.container == CONTAINER_LOSSLESS;
    const AVCodec* codec = nullptr;
    AVCodecContext* context = Allocate(lossless ? "ffv1" : "libx264", error, &codec);
    if (context == nullptr) return nullptr;
    context->width = settings.width;
    context->height = settings.height;
    context->time_base = AVRational{settings.fps_den, settings.fps_num};
    context->framerate = AVRational{settings.fps_num, settings.fps_den};
    context->sample_aspect_ratio = AVRational{1, 1};
    AVDictionary* options = nullptr;
    if (lossless) {
        context->pix_fmt = AV_PIX_FMT_0RGB32;
        context->level = 3;
        context->thread_count = FFV1_THREADS;
        av_dict_set_int(&options, "slices", FFV1_SLICES, 0);
        av_dict_set_int(&options, "slicecrc", 1, 0);
        av_dict_set_int(&options, "coder", FFV1_GOLOMB_RICE, 0);
        av_dict_set_int(&options, "context", FFV1_LARGE_CONTEXT, 0);
    } else {
        context->pix_fmt = AV_PIX_FMT_YUV420P;
        context->color_range = AVCOL_RANGE_MPEG;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
        av_dict_set(&options, "crf", H264_CRF, 0);
        av_dict_set(&options, "preset", H264_PRESET, 0);
    }
    return Open(context, codec, global_header, &options, error);
}

AVCodecContext* OpenAudioEncoder(const VideoSettings& settings, bool global_header,
                                 std::string* error)
{
    const bool lossless = settings.container == CONTAINER_LOSSLESS;
    const AVCodec* codec = nullptr;
    AVCodecContext* context = Allocate(lossless ? "flac" : "aac", error, &codec);
    if (context == nullptr) return nullptr;
    context->sample_rate = settings.audio_rate;
    context->time_base = AVRational{1, settings.audio_rate};
    av_channel_layout_default(&context->ch_layout, 2);
    context->sample_fmt = lossless ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
    if (!lossless) context->bit_rate = AAC_BIT_RATE;
    AVDictionary* options = nullptr;
    return Open(context, codec, global_header, &options, error);
}
