// The FFmpeg plug-in's back end: WMA and the other formats FFmpeg reads, through libavformat,
// libavcodec and libswresample. IB_ffmpeg.so loads it on first use, so enumerating the plug-in at start
// does not pull in FFmpeg's whole dependency tree.
#include "FfmpegBackEnd.h"
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
        swr_free(&converter_);
        av_channel_layout_uninit(&convertedLayout_);
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
        rate_ = openingRate_ = codec_->sample_rate;
        channels_ = codec_->ch_layout.nb_channels;
        if (!playableFormat(rate_, channels_))
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

    // Delivers what is left of the current frame; frames of another format start a new read.
    long read(int16_t* out, long frames) override {
        long filled = 0;
        while (filled < frames) {
            if (pendingPos_ < pending_.size()) {
                if (pendingRate_ != rate_ || pendingChannels_ != channels_) {
                    if (filled > 0)
                        break;
                    rate_ = pendingRate_;
                    channels_ = pendingChannels_;
                }
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
        const int64_t target =
            startPts() + av_rescale_q(frame, AVRational{1, openingRate_}, stream->time_base);
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

    // Sets the converter up for the frame's own format (layout, sample format, rate), which may change
    // from one frame to the next; it only turns samples into interleaved 16-bit at the same rate.
    bool prepareConverter() {
        const AVChannelLayout& layout = frame_->ch_layout;
        const int channels = layout.nb_channels;
        if (!playableFormat(frame_->sample_rate, channels))
            return false;
        if (converter_ && frame_->sample_rate == convertedRate_ && frame_->format == convertedFormat_ &&
            av_channel_layout_compare(&layout, &convertedLayout_) == 0)
            return true;
        swr_free(&converter_);
        av_channel_layout_uninit(&convertedLayout_);
        if (av_channel_layout_copy(&convertedLayout_, &layout) < 0)
            return false;
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels);
        AVChannelLayout in{};
        if (layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, channels);
        else
            av_channel_layout_copy(&in, &layout);
        const int made =
            swr_alloc_set_opts2(&converter_, &out, AV_SAMPLE_FMT_S16, frame_->sample_rate, &in,
                                static_cast<AVSampleFormat>(frame_->format), frame_->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        if (made < 0 || swr_init(converter_) < 0) {
            swr_free(&converter_);
            return false;
        }
        convertedRate_ = frame_->sample_rate;
        convertedFormat_ = frame_->format;
        pendingRate_ = frame_->sample_rate;
        pendingChannels_ = channels;
        return true;
    }

    void convert() {
        if (frame_->nb_samples <= 0 || !prepareConverter())
            return;
        const int room = swr_get_out_samples(converter_, frame_->nb_samples);
        if (room <= 0)
            return;
        pending_.resize(static_cast<size_t>(room) * pendingChannels_);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
        const int made = swr_convert(converter_, outPlanes, room,
                                     const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
        pending_.resize(made > 0 ? static_cast<size_t>(made) * pendingChannels_ : 0);
        if (skipUntil_ < 0 || pending_.empty())
            return;
        const int64_t timestamp = frame_->best_effort_timestamp;
        if (timestamp != AV_NOPTS_VALUE) {
            const int64_t first = av_rescale_q(timestamp - startPts(), format_->streams[stream_]->time_base,
                                               AVRational{1, openingRate_});
            const int64_t drop = av_rescale(skipUntil_ - first, pendingRate_, openingRate_);
            if (drop >= made) {
                pending_.clear();
                return;
            }
            if (drop > 0)
                pendingPos_ = static_cast<size_t>(drop) * pendingChannels_;
        }
        skipUntil_ = -1;
    }

    int64_t startPts() const {
        const int64_t start = format_->streams[stream_]->start_time;
        return start == AV_NOPTS_VALUE ? 0 : start;
    }

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* converter_ = nullptr;
    AVChannelLayout convertedLayout_{}; // the input the converter is set up for
    int convertedRate_ = 0;
    int convertedFormat_ = -1;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    int rate_ = 0; // of the frames the last read returned
    int channels_ = 0;
    int openingRate_ = 0;
    int64_t length_ = -1;
    bool drained_ = false;
    int64_t skipUntil_ = -1; // after a seek: the first frame (of the opening rate) to deliver
    std::vector<int16_t> pending_;
    size_t pendingPos_ = 0;
    int pendingRate_ = 0;
    int pendingChannels_ = 1;
};

} // namespace
} // namespace larkspin::kit

extern "C" larkspin::kit::Decoder* LarkspinFfmpegCreateDecoder(void) {
    try {
        return new larkspin::kit::FfmpegDecoder;
    } catch (...) {
        return nullptr;
    }
}
