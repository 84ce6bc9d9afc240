#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace larkspin {

// What is wrong with a file that WavReader refuses.
enum class WavProblem {
    None,
    CannotOpen,
    NotWav,        // no RIFF/WAVE signature
    DamagedHeader, // chunks running past the end, no format or no data chunk, impossible values
    NotPcm16,      // float, 8-, 24- or 32-bit, compressed
    Truncated,     // the file ends before the audio its header announces
    LyingHeader,   // the data chunk claims more than the RIFF header and the file hold
};

struct WavFormat {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int formatTag = 0;
    std::int64_t dataOffset = 0;
    std::int64_t frames = 0; // whole frames of audio that will be read
};

// Reads the 16-bit PCM samples of a RIFF/WAVE file by walking its chunks. Every size in the header is
// checked against the file before it is believed, so a damaged file gives a WavProblem, never a crash,
// an endless loop or a huge allocation. Standard library only; one object per thread.
class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // False with Problem() set when the file is no readable 16-bit PCM WAV of 1 to 8 channels.
    bool Open(const std::string& path);
    WavProblem Problem() const { return problem_; }
    // A sentence about the problem for the user, beginning with a verb ("is not a WAV file").
    std::string ProblemText() const;
    const WavFormat& Format() const { return format_; }

    // Reads up to frames interleaved frames into samples; 0 at the end, -1 on a read error.
    long Read(std::int16_t* samples, long frames);
    std::int64_t FramesRead() const { return framesRead_; }

private:
    bool refuse(WavProblem problem);

    std::FILE* file_ = nullptr;
    WavProblem problem_ = WavProblem::None;
    WavFormat format_;
    std::int64_t fileSize_ = 0;
    std::int64_t announcedBytes_ = 0;
    std::int64_t framesRead_ = 0;
    int error_ = 0;
};

} // namespace larkspin
