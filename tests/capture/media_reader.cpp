#include "tests/capture/media_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

AVCodecContext* OpenDecoder(const AVStream* stream)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec == nullptr) return nullptr;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (context == nullptr) return nullptr;
    if (avcodec_parameters_to_context(context, stream->codecpar) < 0 ||
        avcodec_open2(context, codec, nullptr) < 0) {
        avcodec_free_context(&context);
    }
    return context;
}

// YUV pictures are turned back into RGB with the matrix and range they are tagged with.
void KeepPicture(MediaReader* reader, const AVFrame* frame)
{
    std::vector<uint32_t> pixels(size_t(frame->width) * frame->height);
    uint8_t* target[4] = {reinterpret_cast<uint8_t*>(pixels.data()), nullptr, nullptr, nullptr};
    const int target_stride[4] = {frame->width * 4, 0, 0, 0};
    if (frame->format == AV_PIX_FMT_0RGB32) {
        for (int row = 0; row < frame->height; ++row) {
            std::copy_n(frame->data[0] + row * frame->linesize[0], frame->width * 4,
                        target[0] + row * target_stride[0]);
        }
    } else {
        reader->to_rgb = sws_getCachedContext(
            reader->to_rgb, frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
            frame->height, AV_PIX_FMT_0RGB32, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
            nullptr, nullptr, nullptr);
        const int matrix = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
        sws_setColorspaceDetails(reader->to_rgb, sws_getCoefficients(matrix),
                                 frame->color_range == AVCOL_RANGE_JPEG,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        sws_scale(reader->to_rgb, frame->data, frame->linesize, 0, frame->height, target,
                  target_stride);
    }
    reader->pictures.push_back(std::move(pixels));
}

void KeepSound(MediaReader* reader, const AVFrame* frame)
{
    const int channels = frame->ch_layout.nb_channels;
    for (int i = 0; i < frame->nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            int16_t value = 0;
            switch (frame->format) {
            case AV_SAMPLE_FMT_S16:
                value = reinterpret_cast<const int16_t*>(frame->data[0])[i * channels + c];
                break;
            case AV_SAMPLE_FMT_FLTP: {
                const float v = reinterpret_cast<const float*>(frame->data[c])[i] * 32768.0f;
                value = int16_t(std::clamp(std::lround(v), -32768l, 32767l));
                break;
            }
            default: break;
            }
            reader->sound.push_back(value);
        }
    }
}

// Hands a packet (none: drain) to its decoder and keeps what comes out.
void Decode(MediaReader* reader, AVCodecContext* decoder, const AVPacket* packet)
{
    if (decoder == nullptr || avcodec_send_packet(decoder, packet) < 0) return;
    while (avcodec_receive_frame(decoder, reader->frame) >= 0) {
        if (decoder == reader->video) {
            KeepPicture(reader, reader->frame);
        } else {
            KeepSound(reader, reader->frame);
        }
        av_frame_unref(reader->frame);
    }
}

// Reads and decodes one more packet; at the end drains both decoders once.
void ReadMore(MediaReader* reader)
{
    if (av_read_frame(reader->format, reader->packet) < 0) {
        Decode(reader, reader->video, nullptr);
        Decode(reader, reader->audio, nullptr);
        reader->at_end = true;
        return;
    }
    if (reader->packet->stream_index == reader->video_index) {
        Decode(reader, reader->video, reader->packet);
    } else if (reader->packet->stream_index == reader->audio_index) {
        Decode(reader, reader->audio, reader->packet);
    }
    av_packet_unref(reader->packet);
}

}  // namespace

bool OpenMedia(MediaReader* reader, const std::string& path)
{
    if (avformat_open_input(&reader->format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(reader->format, nullptr) < 0) {
        reader->error = "cannot open " + path;
        return false;
    }
    reader->video_index =
        av_find_best_stream(reader->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    reader->audio_index =
        av_find_best_stream(reader->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (reader->video_index < 0 || reader->audio_index < 0) {
        reader->error = "no video or no audio stream in " + path;
        return false;
    }
    reader->video = OpenDecoder(reader->format->streams[reader->video_index]);
    reader->audio = OpenDecoder(reader->format->streams[reader->audio_index]);
    reader->packet = av_packet_alloc();
    reader->frame = av_frame_alloc();
    if (!reader->video || !reader->audio || !reader->packet || !reader->frame) {
        reader->error = "cannot decode " + path;
        return false;
    }
    return true;
}

bool NextPicture(MediaReader* reader, std::vector<uint32_t>* pixels)
{
    while (reader->pictures.empty() && !reader->at_end) ReadMore(reader);
    if (reader->pictures.empty()) return false;
    *pixels = std::move(reader->pictures.front());
    reader->pictures.pop_front();
    return true;
}

void ReadToEnd(MediaReader* reader)
{
    while (!reader->at_end) {
        ReadMore(reader);
        reader->pictures.clear();
    }
}

void CloseMedia(MediaReader* reader)
{
    avformat_close_input(&reader->format);
    avcodec_free_context(&reader->video);
    avcodec_free_context(&reader->audio);
    sws_freeContext(reader->to_rgb);
    reader->to_rgb = nullptr;
    av_packet_free(&reader->packet);
    av_frame_free(&reader->frame);
}

double PicturePsnr(const std::vector<uint32_t>& a, const uint32_t* b, size_t count)
{
    double squared = 0;
    for (size_t i = 0; i < count && i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF);
            squared += d * d;
        }
    }
    if (squared == 0) return std::numeric_limits<double>::infinity();
    const double mean = squared / (3.0 * count);
    return 10.0 * std::log10(255.0 * 255.0 / mean);
}
