#pragma once

#include "CdRipFormat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace larkspin {

// Halves the sample rate of interleaved 16-bit PCM with a linear-phase half-band low-pass filter, so
// the output sample k stands at input sample 2k (no delay) and n input frames give (n + 1) / 2 output
// frames once Finish has run. Streams: input may come in pieces of any size.
class HalfRateFilter {
public:
    explicit HalfRateFilter(int channels);

    void Push(const std::int16_t* input, std::size_t frames, std::vector<std::int16_t>& output);
    // The outputs still held back for the filter's look-ahead, computed as if silence followed.
    void Finish(std::vector<std::int16_t>& output);
    void Reset();

    // Half the filter length in input frames: how far an output looks ahead and back.
    static constexpr int Reach = 47;

private:
    // Computes the outputs whose window is in frames_ and whose centre lies before limit.
    void Emit(std::vector<std::int16_t>& output, std::size_t limit);

    int channels_;
    std::vector<std::int16_t> frames_; // input frames from (next output's centre - Reach) on
    std::size_t centre_ = Reach;       // frame index in frames_ of the next output's centre
    std::size_t realEnd_ = Reach;      // frame index in frames_ after the last real input frame
};

// Turns CD audio (44100 Hz stereo) into a TOutputFormat: channel swap, mono mix-down ((L + R) / 2,
// rounded towards minus infinity) and halving the rate once or twice.
class PcmShaper {
public:
    PcmShaper(TOutputFormat format, bool swapChannels);

    // Appends the shaped form of frames stereo frames to output.
    void Push(const std::int16_t* stereo, std::size_t frames, std::vector<std::int16_t>& output);
    // The last outputs of the range (see HalfRateFilter::Finish).
    void Finish(std::vector<std::int16_t>& output);
    void Reset();

    TOutputFormat Format() const { return format_; }

private:
    TOutputFormat format_;
    bool swap_;
    int channels_;
    std::vector<HalfRateFilter> stages_;
    std::vector<std::int16_t> work_;
    std::vector<std::int16_t> stage_;
};

} // namespace larkspin
