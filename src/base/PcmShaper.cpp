#include "PcmShaper.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace larkspin {

namespace {

// Odd taps h[1], h[3], ... of a Kaiser-windowed half-band low-pass (beta 8, about 80 dB stop-band
// attenuation); the centre tap is 0.5 and even taps are 0, so each output costs Reach / 2 + 1 products.
using HalfBandTaps = std::array<float, (HalfRateFilter::Reach + 1) / 2>;

double BesselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

HalfBandTaps MakeTaps() {
    constexpr double beta = 8.0;
    constexpr double pi = 3.14159265358979323846;
    std::array<double, HalfBandTaps().size()> taps{};
    double sum = 0;
    for (size_t i = 0; i < taps.size(); ++i) {
        const int j = static_cast<int>(2 * i + 1);
        const double r = static_cast<double>(j) / (HalfRateFilter::Reach + 1);
        const double window = BesselI0(beta * std::sqrt(1 - r * r)) / BesselI0(beta);
        taps[i] = std::sin(pi * j / 2) / (pi * j) * window;
        sum += taps[i];
    }
    // Unity gain at DC: the centre gives 0.5, the odd pairs the other half.
    HalfBandTaps result{};
    for (size_t i = 0; i < taps.size(); ++i)
        result[i] = static_cast<float>(taps[i] * 0.25 / sum);
    return result;
}

const HalfBandTaps& Taps() {
    static const HalfBandTaps taps = MakeTaps();
    return taps;
}

std::int16_t Clamped(float value) {
    return static_cast<std::int16_t>(std::clamp(std::lrintf(value), -32768L, 32767L));
}

} // namespace

HalfRateFilter::HalfRateFilter(int channels) : channels_(channels) {
    Reset();
}

void HalfRateFilter::Reset() {
    frames_.assign(static_cast<size_t>(Reach * channels_), 0);
    centre_ = Reach;
    realEnd_ = Reach;
}

void HalfRateFilter::Emit(std::vector<std::int16_t>& output, std::size_t limit) {
    const HalfBandTaps& taps = Taps();
    const size_t ch = static_cast<size_t>(channels_);
    while (centre_ + Reach < frames_.size() / ch && centre_ < limit) {
        for (size_t c = 0; c < ch; ++c) {
            const std::int16_t* mid = frames_.data() + centre_ * ch + c;
            float acc = 0.5f * mid[0];
            for (size_t i = 0; i < taps.size(); ++i) {
                const size_t offset = (2 * i + 1) * ch;
                acc += taps[i] * static_cast<float>(mid[-static_cast<std::ptrdiff_t>(offset)] + mid[offset]);
            }
            output.push_back(Clamped(acc));
        }
        centre_ += 2;
    }
    // Drop what no later output reaches back to, now and then rather than per output.
    if (centre_ > 4096 + Reach) {
        const size_t drop = centre_ - Reach;
        frames_.erase(frames_.begin(), frames_.begin() + static_cast<std::ptrdiff_t>(drop * ch));
        centre_ -= drop;
        realEnd_ -= drop;
    }
}

void HalfRateFilter::Push(const std::int16_t* input, std::size_t frames, std::vector<std::int16_t>& output) {
    frames_.insert(frames_.end(), input, input + frames * static_cast<size_t>(channels_));
    realEnd_ += frames;
    Emit(output, realEnd_);
}

void HalfRateFilter::Finish(std::vector<std::int16_t>& output) {
    frames_.insert(frames_.end(), static_cast<size_t>(Reach * channels_), 0);
    Emit(output, realEnd_);
}

PcmShaper::PcmShaper(TOutputFormat format, bool swapChannels)
    : format_(format), swap_(swapChannels), channels_(FormatChannels(format)) {
    for (int i = 0; i < FormatHalvings(format); ++i)
        stages_.emplace_back(channels_);
}

void PcmShaper::Reset() {
    for (auto& stage : stages_)
        stage.Reset();
}

void PcmShaper::Push(const std::int16_t* stereo, std::size_t frames, std::vector<std::int16_t>& output) {
    if (stages_.empty() && channels_ == 2 && !swap_) {
        output.insert(output.end(), stereo, stereo + 2 * frames);
        return;
    }
    std::vector<std::int16_t>& shaped = stages_.empty() ? output : work_;
    if (!stages_.empty())
        work_.clear();
    for (size_t i = 0; i < frames; ++i) {
        const int left = stereo[2 * i + (swap_ ? 1 : 0)];
        const int right = stereo[2 * i + (swap_ ? 0 : 1)];
        if (channels_ == 1) {
            shaped.push_back(static_cast<std::int16_t>((left + right) >> 1));
        } else {
            shaped.push_back(static_cast<std::int16_t>(left));
            shaped.push_back(static_cast<std::int16_t>(right));
        }
    }
    if (stages_.empty())
        return;
    if (stages_.size() == 1) {
        stages_[0].Push(work_.data(), work_.size() / static_cast<size_t>(channels_), output);
        return;
    }
    stage_.clear();
    stages_[0].Push(work_.data(), work_.size() / static_cast<size_t>(channels_), stage_);
    stages_[1].Push(stage_.data(), stage_.size() / static_cast<size_t>(channels_), output);
}

void PcmShaper::Finish(std::vector<std::int16_t>& output) {
    if (stages_.empty())
        return;
    if (stages_.size() == 1) {
        stages_[0].Finish(output);
        return;
    }
    stage_.clear();
    stages_[0].Finish(stage_);
    stages_[1].Push(stage_.data(), stage_.size() / static_cast<size_t>(channels_), output);
    stages_[1].Finish(output);
}

} // namespace larkspin
