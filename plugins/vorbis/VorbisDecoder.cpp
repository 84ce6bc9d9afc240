// Ogg Vorbis through libvorbisfile.
#include "Decoder.h"

#include <vorbis/vorbisfile.h>

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
        const vorbis_info* info = ov_info(&file_, -1);
        if (!info)
            return false;
        rate_ = static_cast<int>(info->rate);
        channels_ = info->channels;
        const ogg_int64_t total = ov_pcm_total(&file_, -1);
        length_ = total >= 0 ? total : -1;
        return true;
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int64_t lengthFrames() const override { return length_; }

    long read(int16_t* out, long frames) override {
        char* bytes = reinterpret_cast<char*>(out);
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
            // A chained stream that changes its layout ends playback here rather than play noise.
            const vorbis_info* info = ov_info(&file_, section);
            if (!info || info->channels != channels_ || info->rate != rate_) {
                ended_ = true;
                break;
            }
            filled += got;
        }
        if (ended_ && filled == 0)
            return 0;
        return filled / frameBytes;
    }

    bool seek(int64_t frame) override {
        ended_ = false;
        return ov_pcm_seek(&file_, frame) == 0;
    }

private:
    OggVorbis_File file_{};
    bool opened_ = false;
    bool ended_ = false;
    int rate_ = 0;
    int channels_ = 0;
    int64_t length_ = -1;
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
