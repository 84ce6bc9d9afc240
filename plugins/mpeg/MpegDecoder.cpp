// MPEG audio layers I to III through libmpg123.
#include "Decoder.h"

#include <mpg123.h>

namespace larkspin::kit {
namespace {

class MpegDecoder : public Decoder {
public:
    ~MpegDecoder() override {
        if (handle_) {
            mpg123_close(handle_);
            mpg123_delete(handle_);
        }
    }

    bool open(const std::string& path) override {
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_)
            return false;
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // 16-bit output at whatever rate and channel count each part of the stream has; the kit
        // converts a stream that changes rate midway.
        mpg123_format_none(handle_);
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (mpg123_open(handle_, path.c_str()) != MPG123_OK)
            return false;
        long rate = 0;
        int encoding = 0;
        if (mpg123_getformat(handle_, &rate, &channels_, &encoding) != MPG123_OK || rate <= 0)
            return false;
        rate_ = static_cast<int>(rate);
        // From the header (Xing/Info frame or size and bit rate); a full scan would take a long time.
        const off_t length = mpg123_length(handle_);
        length_ = length > 0 ? static_cast<int64_t>(length) : -1;
        return true;
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }

    int64_t scanLength() override {
        if (mpg123_scan(handle_) == MPG123_OK) {
            const off_t length = mpg123_length(handle_);
            if (length > 0)
                length_ = static_cast<int64_t>(length);
        }
        return length_;
    }

    long read(int16_t* out, long frames) override {
        if (nextRate_ > 0) {
            rate_ = static_cast<int>(nextRate_);
            channels_ = nextChannels_;
            nextRate_ = 0;
        }
        unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
        size_t wanted = static_cast<size_t>(frames) * channels_ * sizeof(int16_t);
        size_t filled = 0;
        int formatChanges = 0;
        while (filled < wanted) {
            size_t done = 0;
            const int result = mpg123_read(handle_, bytes + filled, wanted - filled, &done);
            filled += done;
            if (result == MPG123_NEW_FORMAT && ++formatChanges < 8) {
                long rate = 0;
                int channels = 0, encoding = 0;
                if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0)
                    break;
                if (filled == 0) {
                    rate_ = static_cast<int>(rate);
                    channels_ = channels;
                    wanted = static_cast<size_t>(frames) * channels_ * sizeof(int16_t);
                    continue;
                }
                // Frames of the new format start with the next read.
                nextRate_ = rate;
                nextChannels_ = channels;
                break;
            }
            if (result != MPG123_OK)
                break; // the end, or damage mpg123 cannot pass
            if (done == 0)
                break;
        }
        return static_cast<long>(filled / (channels_ * sizeof(int16_t)));
    }

    bool seek(int64_t frame) override {
        nextRate_ = 0;
        return mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) >= 0;
    }

private:
    mpg123_handle* handle_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    long nextRate_ = 0; // a format change met at the end of the last read
    int nextChannels_ = 0;
    int64_t length_ = -1;
};

std::unique_ptr<Decoder> create() {
    return std::make_unique<MpegDecoder>();
}

} // namespace

const PlugInDescription& plugInDescription() {
    static const PlugInDescription description{"*.mp3;*.mp2;*.mp1", create};
    return description;
}

} // namespace larkspin::kit
