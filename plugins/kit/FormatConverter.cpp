#include "FormatConverter.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace larkspin::kit {

namespace {
constexpr float Scale = 1.0f / 32768.0f;
constexpr float Centre = 0.70710678f;
} // namespace

void mapChannels(const int16_t* in, int inChannels, float* out, int outChannels) {
    if (inChannels == outChannels) {
        for (int c = 0; c < outChannels; ++c)
            out[c] = in[c] * Scale;
    } else if (outChannels == 1) {
        float sum = 0;
        for (int c = 0; c < inChannels; ++c)
            sum += in[c];
        out[0] = sum * Scale / static_cast<float>(inChannels);
    } else if (inChannels == 1) {
        for (int c = 0; c < outChannels; ++c)
            out[c] = in[0] * Scale;
    } else if (outChannels == 2) {
        // Left and right keep their level; the centre joins both at -3 dB, scaled to stay in range.
        const float centre = inChannels > 2 ? in[2] * Centre : 0.0f;
        const float norm = inChannels > 2 ? Scale / (1.0f + Centre) : Scale;
        out[0] = (in[0] + centre) * norm;
        out[1] = (in[1] + centre) * norm;
    } else {
        for (int c = 0; c < outChannels; ++c)
            out[c] = c < inChannels ? in[c] * Scale : 0.0f;
    }
}

FormatConverter::FormatConverter(int outRate, int outChannels)
    : outRate_(outRate), outChannels_(outChannels) {}

FormatConverter::~FormatConverter() {
    if (resampler_)
        soxr_delete(resampler_);
}

bool FormatConverter::setInput(int rate, int channels, std::vector<float>& out) {
    if (rate == inRate_ && channels == inChannels_)
        return true;
    if (rate != inRate_) {
        drain(out);
        if (resampler_)
            soxr_delete(resampler_);
        resampler_ = nullptr;
        if (rate != outRate_) {
            const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            soxr_error_t error = nullptr;
            resampler_ = soxr_create(rate, outRate_, static_cast<unsigned>(outChannels_), &error, &io,
                                     &quality, nullptr);
            if (error || !resampler_) {
                resampler_ = nullptr;
                inRate_ = inChannels_ = 0;
                return false;
            }
        }
    }
    inRate_ = rate;
    inChannels_ = channels;
    return true;
}

bool FormatConverter::convert(const int16_t* in, long frames, int rate, int channels,
                              std::vector<float>& out) {
    if (frames <= 0)
        return true;
    if (!setInput(rate, channels, out))
        return false;
    const size_t n = static_cast<size_t>(frames);
    const size_t oc = static_cast<size_t>(outChannels_);
    float* target;
    size_t start = out.size();
    if (resampler_) {
        mapped_.resize(n * oc);
        target = mapped_.data();
    } else {
        out.resize(start + n * oc);
        target = out.data() + start;
    }
    for (size_t i = 0; i < n; ++i)
        mapChannels(in + i * static_cast<size_t>(channels), channels, target + i * oc, outChannels_);
    if (resampler_)
        resample(mapped_.data(), n, out);
    return true;
}

void FormatConverter::resample(const float* in, size_t frames, std::vector<float>& out) {
    const size_t oc = static_cast<size_t>(outChannels_);
    // Room for the whole input at the new rate plus what soxr held back; it keeps the rest otherwise.
    const double ratio = static_cast<double>(outRate_) / inRate_;
    for (;;) {
        const size_t room = static_cast<size_t>(std::ceil(static_cast<double>(frames) * ratio)) + 1024;
        const size_t start = out.size();
        out.resize(start + room * oc);
        size_t used = 0, made = 0;
        soxr_process(resampler_, in, frames, &used, out.data() + start, room, &made);
        out.resize(start + made * oc);
        if (!in || used >= frames || (used == 0 && made == 0)) {
            if (!in && made == room)
                continue; // flushing: more may follow
            return;
        }
        in += used * oc;
        frames -= used;
    }
}

void FormatConverter::drain(std::vector<float>& out) {
    if (resampler_) {
        resample(nullptr, 0, out);
        soxr_clear(resampler_);
    }
}

void FormatConverter::reset() {
    if (resampler_)
        soxr_clear(resampler_);
}

} // namespace larkspin::kit
