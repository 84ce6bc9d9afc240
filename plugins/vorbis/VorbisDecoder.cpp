// Ogg Vorbis through libvorbisfile.
#include "Decoder.h"

#include <vorbis/vorbisfile.h>

#include <cstring>
#include <vector>

namespace larkspin::kit {
namespace {

class VorbisDecoder : public Decoder {
public:
    ~VorbisDecoder() override {
        if (opened_)
            ov_clear(&file_);
    }

    bool open(const std::string& path) override {
        if (ov_fopen(path.c_str(), &file_) != 0)
            return false;
        opened_ = true;
        const vorbis_info* info = ov_info(&file_, 0);
        if (!info)
            return false;
        rate_ = openingRate_ = static_cast<int>(info->rate);
        channels_ = info->channels;
        // libvorbisfile leaves a chain opened at its last link: start from the first.
        if (ov_streams(&file_) > 1 && ov_pcm_seek(&file_, 0) != 0)
            return false;
        // A chain whose links differ in rate counts its length in time, not in samples of one rate.
        for (long link = 1; link < ov_streams(&file_); ++link) {
            const vorbis_info* other = ov_info(&file_, static_cast<int>(link));
            if (other && other->rate != info->rate)
                uniformRate_ = false;
        }
        if (uniformRate_) {
            const ogg_int64_t total = ov_pcm_total(&file_, -1);
            length_ = total >= 0 ? total : -1;
        } else {
            const double seconds = ov_time_total(&file_, -1);
            length_ = seconds >= 0 ? static_cast<int64_t>(seconds * openingRate_) : -1;
        }
        return true;
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }

    // A read stops where a link of another format begins; that link's first samples wait in carry_.
    long read(int16_t* out, long frames) override {
        char* bytes = reinterpret_cast<char*>(out);
        if (!carry_.empty()) {
            rate_ = carryRate_;
            channels_ = carryChannels_;
            const size_t n = std::min(carry_.size(), static_cast<size_t>(frames) * channels_ * 2);
            std::memcpy(bytes, carry_.data(), n);
            carry_.erase(carry_.begin(), carry_.begin() + static_cast<long>(n));
            return static_cast<long>(n / (channels_ * 2));
        }
        const long frameBytes = channels_ * 2;
        const long wanted = frames * frameBytes;
        long filled = 0;
        int holes = 0;
        while (filled < wanted) {
            int section = 0;
            const long got =
                ov_read(&file_, bytes + filled, static_cast<int>(wanted - filled), 0, 2, 1, &section);
            if (got == OV_HOLE && ++holes < 64)
                continue; // a gap in the stream: go on after it
            if (got <= 0)
                break;
            const vorbis_info* info = ov_info(&file_, section);
            if (!info)
                break;
            if (info->channels != channels_ || info->rate != rate_) {
                if (filled == 0) {
                    rate_ = static_cast<int>(info->rate);
                    channels_ = info->channels;
                    return got / (channels_ * 2);
                }
                carry_.assign(bytes + filled, bytes + filled + got);
                carryRate_ = static_cast<int>(info->rate);
                carryChannels_ = info->channels;
                break;
            }
            filled += got;
        }
        return filled / frameBytes;
    }

    bool seek(int64_t frame) override {
        carry_.clear();
        const int result = uniformRate_ ? ov_pcm_seek(&file_, frame)
                                        : ov_time_seek(&file_, static_cast<double>(frame) / openingRate_);
        if (result != 0)
            return false;
        // The link the position lies in gives the format from here.
        const vorbis_info* info = ov_info(&file_, -1);
        if (info) {
            rate_ = static_cast<int>(info->rate);
            channels_ = info->channels;
        }
        return true;
    }

private:
    OggVorbis_File file_{};
    bool opened_ = false;
    bool uniformRate_ = true;
    int rate_ = 0;
    int openingRate_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
    std::vector<char> carry_;
    int carryRate_ = 0;
    int carryChannels_ = 0;
};

std::unique_ptr<Decoder> create() {
    return std::make_unique<VorbisDecoder>();
}

} // namespace

const PlugInDescription& plugInDescription() {
    static const PlugInDescription description{"*.ogg", create};
    return description;
}

} // namespace larkspin::kit
