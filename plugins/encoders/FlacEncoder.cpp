// FLAC through libFLAC, with the tags in a Vorbis comment block.
#include "EncoderKit.h"

#include "AtomicFile.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <vector>

namespace larkspin::enc {

namespace {

const Setting FlacSettings[] = {
    {"CompressionLevel", 5, 0, 8, "FLAC compression level as flac -0 to -8"},
    {nullptr, 0, 0, 0, nullptr},
};

class FlacEncoder : public FormatEncoder {
public:
    explicit FlacEncoder(int level) : level_(level) {}
    ~FlacEncoder() override {
        if (encoder_)
            FLAC__stream_encoder_delete(encoder_);
        if (comments_)
            FLAC__metadata_object_delete(comments_);
    }

    bool begin(const WavFormat& format, const Tags& tags, AtomicFile& out, std::string& error) override {
        out_ = &out;
        channels_ = format.channels;
        encoder_ = FLAC__stream_encoder_new();
        comments_ = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        if (!encoder_ || !comments_) {
            error = "could not be encoded (out of memory)";
            return false;
        }
        const auto add = [&](const char* key, const std::string& value) {
            FLAC__StreamMetadata_VorbisComment_Entry entry;
            if (!value.empty() &&
                FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, key, value.c_str()))
                FLAC__metadata_object_vorbiscomment_append_comment(comments_, entry, false);
        };
        add("ARTIST", tags.artist);
        add("TITLE", tags.title);
        add("ALBUM", tags.album);
        add("DATE", tags.year);
        if (tags.track)
            add("TRACKNUMBER", std::to_string(tags.track));
        add("COMMENT", tags.comment);
        add("GENRE", tags.genre);
        FLAC__StreamMetadata* metadata[] = {comments_};
        FLAC__stream_encoder_set_channels(encoder_, static_cast<unsigned>(format.channels));
        FLAC__stream_encoder_set_bits_per_sample(encoder_, 16);
        FLAC__stream_encoder_set_sample_rate(encoder_, static_cast<unsigned>(format.sampleRate));
        FLAC__stream_encoder_set_compression_level(encoder_, static_cast<unsigned>(level_));
        FLAC__stream_encoder_set_total_samples_estimate(encoder_, static_cast<FLAC__uint64>(format.frames));
        FLAC__stream_encoder_set_metadata(encoder_, metadata, 1);
        if (FLAC__stream_encoder_init_stream(encoder_, &FlacEncoder::write, &FlacEncoder::seek,
                                             &FlacEncoder::tell, nullptr,
                                             this) != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
            error = "cannot be encoded as FLAC (" + std::to_string(format.channels) + " channels, " +
                    std::to_string(format.sampleRate) + " Hz)";
            return false;
        }
        return true;
    }

    bool encode(const std::int16_t* samples, long frames, std::string& error) override {
        wide_.resize(static_cast<std::size_t>(frames) * channels_);
        for (std::size_t i = 0; i < wide_.size(); ++i)
            wide_[i] = samples[i];
        if (FLAC__stream_encoder_process_interleaved(encoder_, wide_.data(), static_cast<unsigned>(frames)))
            return true;
        error = failure();
        return false;
    }

    bool finish(std::string& error) override {
        if (FLAC__stream_encoder_finish(encoder_) && !failed_)
            return true;
        error = failure();
        return false;
    }

private:
    std::string failure() const { return failed_ ? WriteFailure(*out_) : "could not be encoded as FLAC"; }

    // libFLAC writes the stream front to back, then seeks back to fill in STREAMINFO.
    static FLAC__StreamEncoderWriteStatus write(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                                size_t bytes, unsigned, unsigned, void* data) {
        auto* self = static_cast<FlacEncoder*>(data);
        const auto end = static_cast<FLAC__uint64>(self->size_);
        bool ok;
        if (self->position_ == end) {
            ok = self->out_->Write(buffer, bytes);
            self->size_ += bytes;
        } else {
            ok = self->position_ + bytes <= end &&
                 self->out_->WriteAt(static_cast<std::int64_t>(self->position_), buffer, bytes);
        }
        self->position_ += bytes;
        self->failed_ = self->failed_ || !ok;
        return ok ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }

    static FLAC__StreamEncoderSeekStatus seek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* data) {
        auto* self = static_cast<FlacEncoder*>(data);
        if (offset > self->size_)
            return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
        self->position_ = offset;
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    }

    static FLAC__StreamEncoderTellStatus tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* data) {
        *offset = static_cast<FlacEncoder*>(data)->position_;
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }

    int level_;
    int channels_ = 0;
    AtomicFile* out_ = nullptr;
    FLAC__StreamEncoder* encoder_ = nullptr;
    FLAC__StreamMetadata* comments_ = nullptr;
    std::vector<FLAC__int32> wide_;
    FLAC__uint64 position_ = 0;
    FLAC__uint64 size_ = 0;
    bool failed_ = false;
};

std::unique_ptr<FormatEncoder> create(const Settings& settings) {
    return std::make_unique<FlacEncoder>(settings.value(FlacSettings[0]));
}

} // namespace

const EncoderDescription& encoderDescription() {
    static const EncoderDescription d{
        "FLAC encoder (libFLAC)", "2026-12-10", "flac", 8, FlacSettings, &create};
    return d;
}

} // namespace larkspin::enc
