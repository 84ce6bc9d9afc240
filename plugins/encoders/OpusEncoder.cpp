// Opus in Ogg through libopusenc, which also resamples to Opus's 48 kHz.
#include "EncoderKit.h"

#include "AtomicFile.h"

#include <opus/opusenc.h>

namespace larkspin::enc {

namespace {

const Setting OpusSettings[] = {
    {"Bitrate", 128, 6, 256, "Opus bitrate in kbit/s (variable bitrate), as opusenc --bitrate"},
    {nullptr, 0, 0, 0, nullptr},
};

class OpusEncoder : public FormatEncoder {
public:
    explicit OpusEncoder(int kbps) : kbps_(kbps) {}
    ~OpusEncoder() override {
        if (encoder_)
            ope_encoder_destroy(encoder_);
        if (comments_)
            ope_comments_destroy(comments_);
    }

    bool begin(const WavFormat& format, const Tags& tags, AtomicFile& out, std::string& error) override {
        out_ = &out;
        comments_ = ope_comments_create();
        if (!comments_) {
            error = "could not be encoded (out of memory)";
            return false;
        }
        const auto add = [&](const char* key, const std::string& value) {
            if (!value.empty())
                ope_comments_add(comments_, key, value.c_str());
        };
        add("ARTIST", tags.artist);
        add("TITLE", tags.title);
        add("ALBUM", tags.album);
        add("DATE", tags.year);
        if (tags.track)
            add("TRACKNUMBER", std::to_string(tags.track));
        add("COMMENT", tags.comment);
        add("GENRE", tags.genre);
        static const OpusEncCallbacks callbacks{&OpusEncoder::write, &OpusEncoder::close};
        int status = 0;
        encoder_ = ope_encoder_create_callbacks(&callbacks, this, comments_, format.sampleRate,
                                                format.channels, 0, &status);
        if (!encoder_ || status != OPE_OK) {
            error = "cannot be encoded as Opus (" + std::string(ope_strerror(status)) + ")";
            return false;
        }
        ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(kbps_ * 1000));
        return true;
    }

    bool encode(const std::int16_t* samples, long frames, std::string& error) override {
        if (ope_encoder_write(encoder_, samples, static_cast<int>(frames)) == OPE_OK && !failed_)
            return true;
        error = failed_ ? WriteFailure(*out_) : "could not be encoded as Opus";
        return false;
    }

    bool finish(std::string& error) override {
        if (ope_encoder_drain(encoder_) == OPE_OK && !failed_)
            return true;
        error = failed_ ? WriteFailure(*out_) : "could not be encoded as Opus";
        return false;
    }

private:
    static int write(void* data, const unsigned char* bytes, opus_int32 length) {
        auto* self = static_cast<OpusEncoder*>(data);
        if (!self->out_->Write(bytes, static_cast<std::size_t>(length)))
            self->failed_ = true;
        return self->failed_ ? 1 : 0;
    }

    // The AtomicFile is committed or discarded by the kit.
    static int close(void*) { return 0; }

    int kbps_;
    AtomicFile* out_ = nullptr;
    OggOpusComments* comments_ = nullptr;
    OggOpusEnc* encoder_ = nullptr;
    bool failed_ = false;
};

std::unique_ptr<FormatEncoder> create(const Settings& settings) {
    return std::make_unique<OpusEncoder>(settings.value(OpusSettings[0]));
}

} // namespace

const EncoderDescription& encoderDescription() {
    static const EncoderDescription d{
        "Opus encoder (libopusenc)", "2026-12-10", "opus", 2, OpusSettings, &create};
    return d;
}

} // namespace larkspin::enc
