#include "output/video_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

std::string Extension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// H.264 for MP4, as every player reads it; VP9 for WebM, as the web wants it.
const AVCodec* EncoderFor(const std::string& path) {
    return avcodec_find_encoder(Extension(path) == ".webm" ? AV_CODEC_ID_VP9 : AV_CODEC_ID_H264);
}

std::string AvText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

}  // namespace

struct VideoFile::State {
    std::string target, temporary;
    int width = 0, height = 0;          // the pictures'
    int evenWidth = 0, evenHeight = 0;  // the video's: 4:2:0 colours need even sides
    std::int64_t next = 0;
    AVFormatContext* format = nullptr;
    bool headerWritten = false;
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    AVStream* stream = nullptr;
    std::unique_ptr<AVFrame, FrameFree> frame;
    std::unique_ptr<AVPacket, PacketFree> packet;
    std::unique_ptr<SwsContext, ScaleFree> scale;
    std::vector<std::uint8_t> padded;

    ~State() {
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
        if (!temporary.empty()) std::remove(temporary.c_str());
    }

    bool Fail(const std::string& what, std::string* error) {
        if (error) *error = "cannot write the video " + target + ": " + what;
        return false;
    }

    // Sends FRAME (null at the end) and writes every packet the encoder has ready.
    bool Encode(AVFrame* picture, std::string* error) {
        int code = avcodec_send_frame(codec.get(), picture);
        if (code < 0) return Fail("the encoder refused a frame (" + AvText(code) + ")", error);
        while (true) {
            code = avcodec_receive_packet(codec.get(), packet.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
            if (code < 0) return Fail("encoding failed (" + AvText(code) + ")", error);
            // Every frame lasts one frame: without a duration the container's edit list ends at
            // the last frame's start and players drop it.
            if (packet->duration == 0) packet->duration = 1;
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            code = av_interleaved_write_frame(format, packet.get());
            av_packet_unref(packet.get());
            if (code < 0) return Fail(AvText(code), error);
        }
    }
};

VideoFile::VideoFile() = default;
VideoFile::~VideoFile() = default;

bool IsVideoPath(const std::string& path) {
    const std::string extension = Extension(path);
    return extension == ".mp4" || extension == ".webm";
}

bool CanWriteVideo(const std::string& path, std::string* why) {
    if (EncoderFor(path)) return true;
    if (why)
        *why = std::string("this machine's FFmpeg libraries have no ") +
               (Extension(path) == ".webm" ? "VP9" : "H.264") + " encoder";
    return false;
}

bool VideoFile::Open(const std::string& path, int width, int height, int framesPerSecond,
                     std::string* error) {
    m_state = std::make_unique<State>();
    State& s = *m_state;
    s.target = path;
    s.width = width;
    s.height = height;
    s.evenWidth = width + (width & 1);
    s.evenHeight = height + (height & 1);
    const AVCodec* encoder = EncoderFor(path);
    if (!encoder) {
        std::string why;
        CanWriteVideo(path, &why);
        return s.Fail(why, error);
    }
    // A temporary name beside the target, so that the rename that ends the work stays on one
    // file system and an earlier video of the same name survives a failure.
    const std::filesystem::path target(path);
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return s.Fail(std::strerror(errno), error);
    // The video gets the permissions any new file gets, not mkstemp's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    close(descriptor);
    s.temporary = pattern;

    // The encoder's statistics are not the user's business; its errors come back as codes.
    av_log_set_level(AV_LOG_ERROR);
    const char* muxer = Extension(path) == ".webm" ? "webm" : "mp4";
    int code = avformat_alloc_output_context2(&s.format, nullptr, muxer, s.temporary.c_str());
    if (code < 0 || !s.format) return s.Fail(AvText(code), error);
    s.codec.reset(avcodec_alloc_context3(encoder));
    s.frame.reset(av_frame_alloc());
    s.packet.reset(av_packet_alloc());
    if (!s.codec || !s.frame || !s.packet) return s.Fail("not enough memory", error);
    s.codec->width = s.evenWidth;
    s.codec->height = s.evenHeight;
    s.codec->time_base = AVRational{1, framesPerSecond};
    s.codec->framerate = AVRational{framesPerSecond, 1};
    s.codec->pix_fmt = AV_PIX_FMT_YUV420P;
    s.codec->gop_size = 2 * framesPerSecond;
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Thin lines on a flat background: a constant quality that keeps them sharp.
    if (encoder->id == AV_CODEC_ID_H264) {
        // No reordered frames: players that guess the reorder depth drop a frame of a short video,
        // and a frame-by-frame study of the flow wants every picture where it was put.
        s.codec->max_b_frames = 0;
        av_opt_set(s.codec->priv_data, "preset", "fast", 0);
        av_opt_set(s.codec->priv_data, "crf", "18", 0);
    } else {
        av_opt_set(s.codec->priv_data, "deadline", "realtime", 0);
        av_opt_set(s.codec->priv_data, "cpu-used", "8", 0);
        av_opt_set(s.codec->priv_data, "crf", "24", 0);
        s.codec->bit_rate = 0;
    }
    code = avcodec_open2(s.codec.get(), encoder, nullptr);
    if (code < 0) return s.Fail("the encoder did not start (" + AvText(code) + ")", error);
    s.stream = avformat_new_stream(s.format, nullptr);
    if (!s.stream) return s.Fail("not enough memory", error);
    s.stream->time_base = s.codec->time_base;
    code = avcodec_parameters_from_context(s.stream->codecpar, s.codec.get());
    if (code < 0) return s.Fail(AvText(code), error);
    code = avio_open(&s.format->pb, s.temporary.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) return s.Fail(AvText(code), error);
    code = avformat_write_header(s.format, nullptr);
    if (code < 0) return s.Fail(AvText(code), error);
    s.headerWritten = true;

    s.frame->format = s.codec->pix_fmt;
    s.frame->width = s.evenWidth;
    s.frame->height = s.evenHeight;
    code = av_frame_get_buffer(s.frame.get(), 0);
    if (code < 0) return s.Fail(AvText(code), error);
    s.scale.reset(sws_getContext(s.evenWidth, s.evenHeight, AV_PIX_FMT_RGB24, s.evenWidth, s.evenHeight,
                                 AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!s.scale) return s.Fail("no colour conversion to YUV 4:2:0", error);
    s.padded.assign(static_cast<std::size_t>(s.evenWidth) * static_cast<std::size_t>(s.evenHeight) * 3, 0);
    return true;
}

bool VideoFile::AddFrame(const std::uint8_t* rgb, std::size_t bytesPerRow, std::string* error) {
    if (!m_state || !m_state->headerWritten) {
        if (error) *error = "the video is not open";
        return false;
    }
    State& s = *m_state;
    // An odd side gains one black row or column; the picture itself is not scaled.
    const std::size_t row = static_cast<std::size_t>(s.width) * 3;
    for (int y = 0; y < s.height; ++y)
        std::memcpy(s.padded.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.evenWidth) * 3,
                    rgb + static_cast<std::size_t>(y) * bytesPerRow, row);
    const int code = av_frame_make_writable(s.frame.get());
    if (code < 0) return s.Fail(AvText(code), error);
    const std::uint8_t* planes[1] = {s.padded.data()};
    const int strides[1] = {s.evenWidth * 3};
    sws_scale(s.scale.get(), planes, strides, 0, s.evenHeight, s.frame->data, s.frame->linesize);
    s.frame->pts = s.next++;
    return s.Encode(s.frame.get(), error);
}

bool VideoFile::Finish(std::string* error) {
    if (!m_state || !m_state->headerWritten) {
        if (error) *error = "the video is not open";
        return false;
    }
    State& s = *m_state;
    if (!s.Encode(nullptr, error)) return false;
    int code = av_write_trailer(s.format);
    if (code < 0) return s.Fail(AvText(code), error);
    code = avio_closep(&s.format->pb);
    if (code < 0) return s.Fail(AvText(code), error);
    std::error_code renamed;
    std::filesystem::rename(s.temporary, s.target, renamed);
    if (renamed) return s.Fail(renamed.message(), error);
    s.temporary.clear();
    m_state.reset();
    return true;
}
