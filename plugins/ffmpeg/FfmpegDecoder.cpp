// WMA and the other formats FFmpeg reads, through libavformat, libavcodec and libswresample.
#include "Decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

namespace larkspin::kit {
namespace {

class FfmpegDecoder : public Decoder {
public:
    ~FfmpegDecoder() override {
        swr_free(&resampler_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    bool open(const std::string& path) override {
        av_log_set_level(AV_LOG_QUIET);
        if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0)
            return false;
        if (avformat_find_stream_info(format_, nullptr) < 0)
            return false;
        const AVCodec* decoder = nullptr;
        stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream_ < 0 || !decoder)
            return false;
        AVStream* stream = format_->streams[stream_];
        codec_ = avcodec_alloc_context3(decoder);
        if (!codec_ || avcodec_parameters_to_context(codec_, stream->codecpar) < 0 ||
            avcodec_open2(codec_, decoder, nullptr) < 0)
            return false;
        rate_ = codec_->sample_rate;
        channels_ = codec_->ch_layout.nb_channels;
        if (rate_ <= 0 || channels_ <= 0 || channels_ > 8)
            return false;
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, channels_);
        AVChannelLayout in = codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ? layout : codec_->ch_layout;
        if (swr_alloc_set_opts2(&resampler_, &layout, AV_SAMPLE_FMT_S16, rate_, &in, codec_->sample_fmt,
                                rate_, 0, nullptr) < 0 ||
            swr_init(resampler_) < 0)
            return false;
        if (stream->duration > 0 && stream->time_base.den > 0)
            length_ = av_rescale_q(stream->duration, stream->time_base, AVRational{1, rate_});
        else if (format_->duration > 0)
            length_ = av_rescale_q(format_->duration, AV_TIME_BASE_Q, AVRational{1, rate_});
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        return packet_ && frame_;
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }

    long read(int16_t* out, long frames) override {
        long filled = 0;
        while (filled < frames) {
            if (pendingPos_ < pending_.size()) {
                const size_t n = std::min<size_t>(static_cast<size_t>(frames - filled),
                                                  (pending_.size() - pendingPos_) / channels_);
                std::memcpy(out + filled * channels_, &pending_[pendingPos_],
                            n * channels_ * sizeof(int16_t));
                pendingPos_ += n * channels_;
                filled += static_cast<long>(n);
                continue;
            }
            if (!decodeMore())
                break;
        }
        return filled;
    }

    // Seeks to the packet before frame, then drops the samples before it, so a seek lands on the frame.
    bool seek(int64_t frame) override {
        AVStream* stream = format_->streams[stream_];
        const int64_t target = startPts() + av_rescale_q(frame, AVRational{1, rate_}, stream->time_base);
        if (av_seek_frame(format_, stream_, target, AVSEEK_FLAG_BACKWARD) < 0 &&
            av_seek_frame(format_, stream_, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
            return false;
        avcodec_flush_buffers(codec_);
        pending_.clear();
        pendingPos_ = 0;
        drained_ = false;
        skipUntil_ = frame;
        return true;
    }

private:
    // Decodes the next frame into pending_; false at the end or on an error it cannot pass.
    bool decodeMore() {
        pending_.clear();
        pendingPos_ = 0;
        int badPackets = 0;
        for (;;) {
            const int received = avcodec_receive_frame(codec_, frame_);
            if (received == 0) {
                convert();
                av_frame_unref(frame_);
                if (!pending_.empty())
                    return true;
                continue;
            }
            if (received == AVERROR_EOF || drained_)
                return false;
            if (received != AVERROR(EAGAIN))
                return false;
            const int got = av_read_frame(format_, packet_);
            if (got < 0) {
                drained_ = true;
                avcodec_send_packet(codec_, nullptr);
                continue;
            }
            if (packet_->stream_index == stream_ && avcodec_send_packet(codec_, packet_) < 0 &&
                ++badPackets > 100) {
                av_packet_unref(packet_);
                return false;
            }
            av_packet_unref(packet_);
        }
    }

    void convert() {
        const int room = swr_get_out_samples(resampler_, frame_->nb_samples);
        if (room <= 0)
            return;
        pending_.resize(static_cast<size_t>(room) * channels_);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
        const int made = swr_convert(resampler_, outPlanes, room,
                                     const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
        pending_.resize(made > 0 ? static_cast<size_t>(made) * channels_ : 0);
        if (skipUntil_ < 0 || pending_.empty())
            return;
        const int64_t timestamp = frame_->best_effort_timestamp;
        if (timestamp != AV_NOPTS_VALUE) {
            const int64_t first = av_rescale_q(timestamp - startPts(), format_->streams[stream_]->time_base,
                                               AVRational{1, rate_});
            const int64_t drop = skipUntil_ - first;
            if (drop >= made) {
                pending_.clear();
                return;
            }
            if (drop > 0)
                pendingPos_ = static_cast<size_t>(drop) * channels_;
        }
        skipUntil_ = -1;
    }

    int64_t startPts() const {
        const int64_t start = format_->streams[stream_]->start_time;
        return start == AV_NOPTS_VALUE ? 0 : start;
    }

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    int rate_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
    bool drained_ = false;
    int64_t skipUntil_ = -1; // after a seek: the first frame to deliver
    std::vector<int16_t> pending_;
    size_t pendingPos_ = 0;
};

std::unique_ptr<Decoder> create() {
    return std::make_unique<FfmpegDecoder>();
}

} // namespace

// Types no other plug-in declares; none of them is a substring of another plug-in's type.
const PlugInDescription& plugInDescription() {
    static const PlugInDescription description{
        "*.wma;*.m4a;*.aac;*.opus;*.ape;*.wv;*.mpc;*.ac3;*.mka;*.tta;*.spx", create};
    return description;
}

} // namespace larkspin::kit
