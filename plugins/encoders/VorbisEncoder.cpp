// Ogg Vorbis through libvorbisenc, variable bitrate by quality.
#include "EncoderKit.h"

#include "AtomicFile.h"

#include <vorbis/vorbisenc.h>

#include <cstdlib>
#include <random>

namespace larkspin::enc {

namespace {

const Setting VorbisSettings[] = {
    {"Quality", 3, -1, 10, "Vorbis quality as oggenc -q: -1 smallest, 10 best"},
    {nullptr, 0, 0, 0, nullptr},
};

class VorbisEncoder : public FormatEncoder {
public:
    explicit VorbisEncoder(int quality) : quality_(quality) {}
    ~VorbisEncoder() override {
        if (started_) {
            ogg_stream_clear(&stream_);
            vorbis_block_clear(&block_);
            vorbis_dsp_clear(&dsp_);
        }
        vorbis_comment_clear(&comment_);
        vorbis_info_clear(&info_);
    }

    bool begin(const WavFormat& format, const Tags& tags, AtomicFile& out, std::string& error) override {
        out_ = &out;
        channels_ = format.channels;
        vorbis_info_init(&info_);
        vorbis_comment_init(&comment_);
        if (vorbis_encode_init_vbr(&info_, format.channels, format.sampleRate, quality_ / 10.0f) != 0) {
            error = "cannot be encoded as Ogg Vorbis at " + std::to_string(format.sampleRate) + " Hz";
            return false;
        }
        const auto add = [&](const char* key, const std::string& value) {
            if (!value.empty())
                vorbis_comment_add_tag(&comment_, key, value.c_str());
        };
        add("ARTIST", tags.artist);
        add("TITLE", tags.title);
        add("ALBUM", tags.album);
        add("DATE", tags.year);
        if (tags.track)
            add("TRACKNUMBER", std::to_string(tags.track));
        add("COMMENT", tags.comment);
        add("GENRE", tags.genre);

        vorbis_analysis_init(&dsp_, &info_);
        vorbis_block_init(&dsp_, &block_);
        std::random_device random;
        ogg_stream_init(&stream_, static_cast<int>(random() & 0x7FFFFFFF));
        started_ = true;
        ogg_packet header, comments, codebooks;
        vorbis_analysis_headerout(&dsp_, &comment_, &header, &comments, &codebooks);
        ogg_stream_packetin(&stream_, &header);
        ogg_stream_packetin(&stream_, &comments);
        ogg_stream_packetin(&stream_, &codebooks);
        // The audio starts on a page of its own.
        ogg_page page;
        while (ogg_stream_flush(&stream_, &page) != 0)
            if (!writePage(page, error))
                return false;
        return true;
    }

    bool encode(const std::int16_t* samples, long frames, std::string& error) override {
        float** buffer = vorbis_analysis_buffer(&dsp_, static_cast<int>(frames));
        for (long i = 0; i < frames; ++i)
            for (int c = 0; c < channels_; ++c)
                buffer[c][i] = samples[i * channels_ + c] / 32768.0f;
        vorbis_analysis_wrote(&dsp_, static_cast<int>(frames));
        return drain(error);
    }

    bool finish(std::string& error) override {
        vorbis_analysis_wrote(&dsp_, 0);
        return drain(error);
    }

private:
    bool writePage(const ogg_page& page, std::string& error) {
        if (out_->Write(page.header, static_cast<std::size_t>(page.header_len)) &&
            out_->Write(page.body, static_cast<std::size_t>(page.body_len)))
            return true;
        error = WriteFailure(*out_);
        return false;
    }

    bool drain(std::string& error) {
        while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
            vorbis_analysis(&block_, nullptr);
            vorbis_bitrate_addblock(&block_);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
                ogg_stream_packetin(&stream_, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&stream_, &page) != 0) {
                    if (!writePage(page, error))
                        return false;
                    if (ogg_page_eos(&page))
                        break;
                }
            }
        }
        return true;
    }

    int quality_;
    int channels_ = 0;
    AtomicFile* out_ = nullptr;
    bool started_ = false;
    vorbis_info info_{};
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    ogg_stream_state stream_{};
};

std::unique_ptr<FormatEncoder> create(const Settings& settings) {
    return std::make_unique<VorbisEncoder>(settings.value(VorbisSettings[0]));
}

} // namespace

const EncoderDescription& encoderDescription() {
    static const EncoderDescription d{
        "Ogg Vorbis encoder (libvorbisenc)", "2026-12-10", "ogg", 2, VorbisSettings, &create};
    return d;
}

} // namespace larkspin::enc
