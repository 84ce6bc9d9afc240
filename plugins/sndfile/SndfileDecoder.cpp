// WAV, FLAC and AIFF through libsndfile.
#include "Decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
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
        // Float samples are read as floats (full scale 1.0) and converted here: libsndfile's own
        // float-to-short reading either clips all but silence or, scaled, reads the whole file first
        // to find its peak.
        const int subtype = info_.format & SF_FORMAT_SUBMASK;
        floats_ = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
        return info_.samplerate > 0 && info_.channels > 0;
    }

    int sampleRate() const override { return info_.samplerate; }
    int channels() const override { return info_.channels; }
    int64_t lengthFrames() const override { return plausibleLength(info_.frames, info_.samplerate); }

    long read(int16_t* out, long frames) override {
        if (!floats_)
            return static_cast<long>(sf_readf_short(file_, out, frames));
        floatBuffer_.resize(static_cast<size_t>(frames) * info_.channels);
        const sf_count_t got = sf_readf_float(file_, floatBuffer_.data(), frames);
        for (size_t i = 0; i < static_cast<size_t>(std::max<sf_count_t>(got, 0)) * info_.channels; ++i)
            out[i] = static_cast<int16_t>(std::lrint(std::clamp(floatBuffer_[i], -1.0f, 1.0f) * 32767.0f));
        return static_cast<long>(got);
    }

    // A file whose length libsndfile got wrong (a cut Opus claims INT64_MAX frames) is not trusted to
    // seek: sf_seek far beyond its real end never returns. It is read forward instead, which ends at
    // its real end.
    bool seek(int64_t frame) override {
        if (lengthFrames() >= 0)
            return sf_seek(file_, std::min<sf_count_t>(frame, info_.frames), SEEK_SET) >= 0;
        if (sf_seek(file_, 0, SEEK_SET) < 0)
            return false;
        std::vector<int16_t> skipped(static_cast<size_t>(SkipFrames) * info_.channels);
        for (int64_t left = frame; left > 0;) {
            const sf_count_t got = read(skipped.data(), std::min<int64_t>(left, SkipFrames));
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
    bool floats_ = false;
    std::vector<float> floatBuffer_;
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
