#include "tools/capture/video_file.h"

#include <algorithm>

#include "tools/capture/encoders.h"
#include "tools/capture/ffmpeg_error.h"

namespace {

constexpr int STREAM_BUFFER_BYTES = 256 * 1024;

// (FFmpeg 5 hands the bytes without const.)
int WriteToStream(void* stream, uint8_t* bytes, int size)
{
    const size_t written = std::fwrite(bytes, 1, size_t(size), static_cast<FILE*>(stream));
    return written == size_t(size) ? size : AVERROR(EIO);
}

// An output context that writes to `stream` in order, never seeking back.
AVIOContext* OpenStreamOutput(FILE* stream)
{
    uint8_t* buffer = static_cast<uint8_t*>(av_malloc(STREAM_BUFFER_BYTES));
    if (buffer == nullptr) return nullptr;
    AVIOContext* io =
        avio_alloc_context(buffer, STREAM_BUFFER_BYTES, 1, stream, nullptr, WriteToStream, nullptr);
    if (io == nullptr) av_free(buffer);
    return io;
}

void CloseOutput(VideoFile* file)
{
    if (file->format == nullptr || file->format->pb == nullptr) return;
    if (file->own_io) {
        avio_flush(file->format->pb);
        av_freep(&file->format->pb->buffer);
        avio_context_free(&file->format->pb);
    } else {
        avio_closep(&file->format->pb);
    }
}

AVStream* AddStream(AVFormatContext* format, const AVCodecContext* codec, std::string* error)
{
    AVStream* stream = avformat_new_stream(format, nullptr);
    if (stream == nullptr) {
        *error = "out of memory";
        return nullptr;
    }
    const int result = avcodec_parameters_from_context(stream->codecpar, codec);
    if (result < 0) {
        *error = FfmpegText("cannot describe a stream", result);
        return nullptr;
    }
    stream->time_base = codec->time_base;
    return stream;
}

// Hands one frame (none: drain) to an encoder and writes every packet it gives back.
bool Encode(VideoFile* file, AVCodecContext* codec, AVStream* stream, const AVFrame* frame,
            std::string* error)
{
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) {
        *error = FfmpegText("cannot encode", result);
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(codec, file->packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) {
            *error = FfmpegText("cannot encode", result);
            return false;
        }
        av_packet_rescale_ts(file->packet, codec->time_base, stream->time_base);
        file->packet->stream_index = stream->index;
        result = av_interleaved_write_frame(file->format, file->packet);
        if (result < 0) {
            *error = FfmpegText("cannot write", result);
            return false;
        }
    }
}

// Encodes `frames` audio frames from the front of the waiting PCM.
bool EncodeSound(VideoFile* file, int frames, std::string* error)
{
    AVFrame* sound = file->sound;
    int result = av_frame_make_writable(sound);
    if (result < 0) {
        *error = FfmpegText("cannot encode", result);
        return false;
    }
    sound->nb_samples = frames;
    const int16_t* pcm = file->waiting.data();
    if (file->audio->sample_fmt == AV_SAMPLE_FMT_S16) {
        std::copy(pcm, pcm + 2 * frames, reinterpret_cast<int16_t*>(sound->data[0]));
    } else {
        // Planar float for AAC, in the range -1..1.
        float* left = reinterpret_cast<float*>(sound->data[0]);
        float* right = reinterpret_cast<float*>(sound->data[1]);
        for (int i = 0; i < frames; ++i) {
            left[i] = pcm[2 * i] * (1.0f / 32768.0f);
            right[i] = pcm[2 * i + 1] * (1.0f / 32768.0f);
        }
    }
    sound->pts = file->samples_sent;
    file->samples_sent += frames;
    file->waiting.erase(file->waiting.begin(), file->waiting.begin() + 2 * frames);
    return Encode(file, file->audio, file->audio_stream, sound, error);
}

AVFrame* AllocatePicture(const AVCodecContext* codec)
{
    AVFrame* picture = av_frame_alloc();
    if (picture == nullptr) return nullptr;
    picture->format = codec->pix_fmt;
    picture->width = codec->width;
    picture->height = codec->height;
    if (av_frame_get_buffer(picture, 0) < 0) av_frame_free(&picture);
    return picture;
}

AVFrame* AllocateSound(const AVCodecContext* codec)
{
    AVFrame* sound = av_frame_alloc();
    if (sound == nullptr) return nullptr;
    sound->format = codec->sample_fmt;
    sound->sample_rate = codec->sample_rate;
    sound->nb_samples = codec->frame_size;
    if (av_channel_layout_copy(&sound->ch_layout, &codec->ch_layout) < 0 ||
        av_frame_get_buffer(sound, 0) < 0) {
        av_frame_free(&sound);
    }
    return sound;
}

}  // namespace

bool OpenVideoFile(VideoFile* file, const VideoTarget& target, const VideoSettings& settings,
                   std::string* error)
{
    *file = VideoFile{};
    const bool lossless = settings.container == CONTAINER_LOSSLESS;
    int result =
        avformat_alloc_output_context2(&file->format, nullptr, lossless ? "matroska" : "mp4",
                                       target.path.empty() ? nullptr : target.path.c_str());
    if (result < 0) {
        *error = FfmpegText("cannot set up the container", result);
        return false;
    }
    // No random identifiers, dates or version strings: the same capture, the same bytes.
    file->format->flags |= AVFMT_FLAG_BITEXACT;
    const bool global_header = (file->format->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    file->video = OpenVideoEncoder(settings, global_header, error);
    if (file->video == nullptr) return false;
    file->audio = OpenAudioEncoder(settings, global_header, error);
    if (file->audio == nullptr) return false;
    file->video_stream = AddStream(file->format, file->video, error);
    if (file->video_stream == nullptr) return false;
    file->video_stream->avg_frame_rate = file->video->framerate;
    file->audio_stream = AddStream(file->format, file->audio, error);
    if (file->audio_stream == nullptr) return false;

    // The PCM is handed over in whole encoder frames (FLAC's and AAC's are fixed).
    if (file->audio->frame_size <= 0) {
        *error = "the audio encoder takes no fixed frame size";
        return false;
    }
    file->picture = AllocatePicture(file->video);
    file->sound = AllocateSound(file->audio);
    file->packet = av_packet_alloc();
    if (file->picture == nullptr || file->sound == nullptr || file->packet == nullptr) {
        *error = "out of memory";
        return false;
    }
    if (!OpenFrameScaler(&file->scaler, settings.source_width, settings.source_height,
                         file->video->pix_fmt, settings.width, settings.height)) {
        *error = "cannot scale the pictures to the video's size";
        return false;
    }

    if (target.path.empty()) {
        if (!lossless) {
            *error =
                "an .mp4 file can only be written to a regular file (its index is moved to "
                "the front at the end)";
            return false;
        }
        file->format->pb = OpenStreamOutput(target.stream);
        file->own_io = true;
        if (file->format->pb == nullptr) {
            *error = "out of memory";
            return false;
        }
    } else {
        result = avio_open(&file->format->pb, target.path.c_str(), AVIO_FLAG_WRITE);
        if (result < 0) {
            *error = FfmpegText("cannot open the output file", result);
            return false;
        }
    }
    AVDictionary* options = nullptr;
    if (!lossless) av_dict_set(&options, "movflags", "+faststart", 0);
    result = avformat_write_header(file->format, &options);
    av_dict_free(&options);
    if (result < 0) {
        *error = FfmpegText("cannot write the file's header", result);
        return false;
    }
    return true;
}

bool WriteVideoPicture(VideoFile* file, const uint32_t* pixels, int pitch, std::string* error)
{
    // The encoder may still hold the last picture's buffer; then it gets a new one.
    const int result = av_frame_make_writable(file->picture);
    if (result < 0) {
        *error = FfmpegText("cannot encode", result);
        return false;
    }
    ScaleFrame(file->scaler, pixels, pitch, file->picture);
    file->picture->pts = file->pictures_sent++;
    return Encode(file, file->video, file->video_stream, file->picture, error);
}

bool WriteVideoSound(VideoFile* file, const int16_t* pcm, int32_t frames, std::string* error)
{
    file->waiting.insert(file->waiting.end(), pcm, pcm + 2 * int64_t(frames));
    const int frame_size = file->audio->frame_size;
    while (int64_t(file->waiting.size()) >= 2 * int64_t(frame_size)) {
        if (!EncodeSound(file, frame_size, error)) return false;
    }
    return true;
}

bool FinishVideoFile(VideoFile* file, std::string* error)
{
    // The last, shorter audio frame, then both encoders drained.
    const int rest = int(file->waiting.size() / 2);
    if (rest > 0 && !EncodeSound(file, rest, error)) return false;
    if (!Encode(file, file->video, file->video_stream, nullptr, error)) return false;
    if (!Encode(file, file->audio, file->audio_stream, nullptr, error)) return false;
    int result = av_write_trailer(file->format);
    if (result < 0) {
        *error = FfmpegText("cannot finish the file", result);
        return false;
    }
    if (file->own_io) {
        avio_flush(file->format->pb);
        result = file->format->pb->error;
        CloseOutput(file);
    } else {
        result = avio_closep(&file->format->pb);
    }
    if (result < 0) {
        *error = FfmpegText("cannot write", result);
        return false;
    }
    return true;
}

void CloseVideoFile(VideoFile* file)
{
    CloseOutput(file);
    avformat_free_context(file->format);
    avcodec_free_context(&file->video);
    avcodec_free_context(&file->audio);
    av_frame_free(&file->picture);
    av_frame_free(&file->sound);
    av_packet_free(&file->packet);
    CloseFrameScaler(&file->scaler);
    *file = VideoFile{};
}
