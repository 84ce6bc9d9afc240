#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct soxr;

namespace larkspin::kit {

// Turns decoded 16-bit frames of any playable format into float frames of one fixed rate and channel
// count. Rates are converted by libsoxr, one resampler per stream kept across chunks, so the signal
// runs on without a phase jump where one chunk ends and the next begins. Used by one thread.
class FormatConverter {
public:
    FormatConverter(int outRate, int outChannels);
    ~FormatConverter();
    FormatConverter(const FormatConverter&) = delete;
    FormatConverter& operator=(const FormatConverter&) = delete;

    // Appends the converted frames of in (frames frames of channels samples at rate) to out. A format
    // other than the last one first drains what the resampler holds of the old one. False when the
    // resampler cannot be made (out of memory).
    bool convert(const int16_t* in, long frames, int rate, int channels, std::vector<float>& out);
    // At the end of the stream: appends what the resampler still holds.
    void drain(std::vector<float>& out);
    // After a seek: forgets the signal so far.
    void reset();

    int outRate() const { return outRate_; }
    int outChannels() const { return outChannels_; }

private:
    bool setInput(int rate, int channels, std::vector<float>& out);
    void resample(const float* in, size_t frames, std::vector<float>& out);

    int outRate_;
    int outChannels_;
    int inRate_ = 0;
    int inChannels_ = 0;
    soxr* resampler_ = nullptr; // null while the rates agree
    std::vector<float> mapped_; // in's frames with outChannels_ channels, at the input rate
};

// Maps the channels of one frame: same count copied; to mono the mean; mono to every channel; more
// channels to stereo as left and right with the centre (the third channel) mixed into both.
void mapChannels(const int16_t* in, int inChannels, float* out, int outChannels);

} // namespace larkspin::kit
