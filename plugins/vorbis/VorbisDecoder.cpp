// Ogg Vorbis through libvorbisfile.
#include "Decoder.h"
#include "OggEnd.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace larkspin::kit {
namespace {

class VorbisDecoder : public Decoder {
public:
    ~VorbisDecoder() override {
        if (opened_)
            ov_clear(&file_);
        if (stdio_)
            std::fclose(stdio_);
    }

    // libvorbisfile reads the file through callbacks that end it where its last Ogg page ends, so
    // whatever follows (however long) is never searched.
    bool open(const std::string& path) override {
        stdio_ = std::fopen(path.c_str(), "rb");
        if (!stdio_ || std::fseek(stdio_, 0, SEEK_END) != 0)
            return false;
        end_ = FindOggEnd(stdio_, std::ftell(stdio_));
        if (end_ <= 0 || std::fseek(stdio_, 0, SEEK_SET) != 0)
            return false;
        const ov_callbacks callbacks{readBytes, seekBytes, nullptr, tellBytes};
        if (ov_open_callbacks(this, &file_, nullptr, 0, callbacks) != 0)
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
    static size_t readBytes(void* into, size_t size, size_t count, void* self) {
        auto* d = static_cast<VorbisDecoder*>(self);
        const long at = std::ftell(d->stdio_);
        if (at < 0 || size == 0 || at >= d->end_)
            return 0;
        const size_t room = static_cast<size_t>(d->end_ - at) / size;
        return std::fread(into, size, std::min(count, room), d->stdio_);
    }
    static int seekBytes(void* self, ogg_int64_t offset, int whence) {
        auto* d = static_cast<VorbisDecoder*>(self);
        int64_t to = offset;
        if (whence == SEEK_CUR)
            to += std::ftell(d->stdio_);
        else if (whence == SEEK_END)
            to += d->end_;
        if (to < 0)
            return -1;
        return std::fseek(d->stdio_, static_cast<long>(std::min<int64_t>(to, d->end_)), SEEK_SET);
    }
    static long tellBytes(void* self) { return std::ftell(static_cast<VorbisDecoder*>(self)->stdio_); }

    std::FILE* stdio_ = nullptr;
    int64_t end_ = 0; // where the Ogg stream ends in the file
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
