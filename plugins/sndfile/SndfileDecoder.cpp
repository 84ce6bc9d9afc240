// WAV, FLAC and AIFF through libsndfile.
#include "Decoder.h"

#include <sndfile.h>

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
    int64_t lengthFrames() const override { return info_.frames >= 0 ? info_.frames : -1; }

    long read(int16_t* out, long frames) override {
        return static_cast<long>(sf_readf_short(file_, out, frames));
    }

    bool seek(int64_t frame) override { return sf_seek(file_, frame, SEEK_SET) >= 0; }

private:
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
