// WAV, FLAC and AIFF through libsndfile.
#include "Decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace larkspin::kit {
namespace {

class SndfileDecoder : public Decoder {
public:
    ~SndfileDecoder() override {
        if (file_)
            sf_close(file_);
    }

    bool open(const std::string& path) override {
        file_ = sf_open(path.c_str(), SFM_READ, &info_);
        if (!file_)
            return false;
        // Float files are scaled to the 16-bit range instead of clipping everything but silence.
        sf_command(file_, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
        return info_.samplerate > 0 && info_.channels > 0;
    }

    int sampleRate() const override { return info_.samplerate; }
    int channels() const override { return info_.channels; }
    int64_t lengthFrames() const override { return plausibleLength(info_.frames, info_.samplerate); }

    long read(int16_t* out, long frames) override {
        return static_cast<long>(sf_readf_short(file_, out, frames));
    }

    // A file whose length libsndfile got wrong (a cut Opus claims INT64_MAX frames) is not trusted to
    // seek: sf_seek far beyond its real end never returns. It is read forward instead, which ends at
    // its real end.
    bool seek(int64_t frame) override {
        if (lengthFrames() >= 0)
            return sf_seek(file_, std::min<sf_count_t>(frame, info_.frames), SEEK_SET) >= 0;
        if (sf_seek(file_, 0, SEEK_SET) < 0)
            return false;
        std::vector<short> skipped(static_cast<size_t>(SkipFrames) * info_.channels);
        for (int64_t left = frame; left > 0;) {
            const sf_count_t got = sf_readf_short(file_, skipped.data(), std::min<int64_t>(left, SkipFrames));
            if (got <= 0)
                return false;
            left -= got;
        }
        return true;
    }

private:
    static constexpr sf_count_t SkipFrames = 8192;
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
};

std::unique_ptr<Decoder> create() {
    return std::make_unique<SndfileDecoder>();
}

} // namespace

const PlugInDescription& plugInDescription() {
    static const PlugInDescription description{"*.wav;*.flac;*.aiff;*.aif", create};
    return description;
}

} // namespace larkspin::kit
