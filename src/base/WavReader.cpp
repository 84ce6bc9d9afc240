#include "WavReader.h"

#include <sys/stat.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace larkspin {

namespace {

std::uint32_t le16(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t le32(const unsigned char* p) {
    return le16(p) | le16(p + 2) << 16;
}

constexpr int FormatPcm = 1;
constexpr int FormatExtensible = 0xFFFE;
// Writers that stream to a pipe cannot know the size and leave this.
constexpr std::uint32_t UnknownSize = 0xFFFFFFFF;

std::string sizeText(std::int64_t bytes) {
    return std::to_string(bytes) + " bytes";
}

} // namespace

WavReader::~WavReader() {
    if (file_)
        std::fclose(file_);
}

bool WavReader::refuse(WavProblem problem) {
    problem_ = problem;
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    return false;
}

bool WavReader::Open(const std::string& path) {
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    format_ = {};
    framesRead_ = 0;
    problem_ = WavProblem::None;
    file_ = std::fopen(path.c_str(), "rb");
    struct stat st {};
    if (!file_ || fstat(fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) {
        error_ = file_ ? (S_ISDIR(st.st_mode) ? EISDIR : errno) : errno;
        return refuse(WavProblem::CannotOpen);
    }
    fileSize_ = st.st_size;

    unsigned char riff[12];
    if (std::fread(riff, 1, sizeof riff, file_) != sizeof riff || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return refuse(WavProblem::NotWav);
    const std::uint32_t riffSize = le32(riff + 4);

    bool haveFormat = false;
    std::int64_t at = 12;
    // Each step moves forward by at least 8 bytes, so the walk ends.
    while (fileSize_ - at >= 8) {
        unsigned char chunk[8];
        if (std::fseek(file_, static_cast<long>(at), SEEK_SET) != 0 || std::fread(chunk, 1, 8, file_) != 8)
            return refuse(WavProblem::DamagedHeader);
        const std::uint32_t size = le32(chunk + 4);
        const std::int64_t body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            if (size < 16 || fileSize_ - body < 16)
                return refuse(WavProblem::DamagedHeader);
            const std::size_t want = size < sizeof fmt ? size : sizeof fmt;
            if (std::fread(fmt, 1, want, file_) < 16)
                return refuse(WavProblem::DamagedHeader);
            format_.formatTag = static_cast<int>(le16(fmt));
            format_.channels = static_cast<int>(le16(fmt + 2));
            format_.sampleRate = static_cast<int>(le32(fmt + 4));
            format_.bitsPerSample = static_cast<int>(le16(fmt + 14));
            // An extensible header names its real format in the first two bytes of its sub-format.
            if (format_.formatTag == FormatExtensible && want >= 26)
                format_.formatTag = static_cast<int>(le16(fmt + 24));
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return refuse(WavProblem::DamagedHeader);
            if (format_.formatTag != FormatPcm || format_.bitsPerSample != 16)
                return refuse(WavProblem::NotPcm16);
            if (format_.channels < 1 || format_.channels > 8 || format_.sampleRate < 1 ||
                format_.sampleRate > 768000)
                return refuse(WavProblem::DamagedHeader);
            const std::int64_t available = fileSize_ - body;
            std::int64_t bytes = size;
            if (size == UnknownSize) {
                bytes = available;
            } else if (bytes > available) {
                announcedBytes_ = bytes;
                format_.dataOffset = body;
                // A cut file still agrees with its RIFF size; a lying one does not.
                const bool consistent = static_cast<std::int64_t>(riffSize) + 8 >= body + bytes;
                return refuse(consistent ? WavProblem::Truncated : WavProblem::LyingHeader);
            }
            format_.dataOffset = body;
            format_.frames = bytes / (2 * format_.channels);
            if (std::fseek(file_, static_cast<long>(body), SEEK_SET) != 0)
                return refuse(WavProblem::CannotOpen);
            return true;
        }
        at = body + size + (size & 1);
    }
    return refuse(haveFormat ? WavProblem::DamagedHeader : WavProblem::NotWav);
}

long WavReader::Read(std::int16_t* samples, long frames) {
    if (!file_ || frames <= 0)
        return 0;
    const std::int64_t left = format_.frames - framesRead_;
    if (left <= 0)
        return 0;
    if (frames > left)
        frames = static_cast<long>(left);
    const std::size_t count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(format_.channels);
    static_assert(sizeof(std::int16_t) == 2);
    const std::size_t got = std::fread(samples, 2, count, file_);
    if (got < count && std::ferror(file_))
        return -1;
    // The file is little-endian; convert where the machine is not.
    if constexpr (std::endian::native == std::endian::big)
        for (std::size_t i = 0; i < got; ++i)
            samples[i] =
                static_cast<std::int16_t>(std::uint16_t(samples[i]) >> 8 | std::uint16_t(samples[i]) << 8);
    const long whole = static_cast<long>(got / static_cast<std::size_t>(format_.channels));
    framesRead_ += whole;
    if (got < count)
        format_.frames = framesRead_; // the file shrank while being read
    return whole;
}

std::string WavReader::ProblemText() const {
    switch (problem_) {
    case WavProblem::None:
        return {};
    case WavProblem::CannotOpen:
        return "cannot be opened (" + std::string(std::strerror(error_)) + ")";
    case WavProblem::NotWav:
        return "is not a WAV file";
    case WavProblem::DamagedHeader:
        return "has a damaged WAV header";
    case WavProblem::NotPcm16:
        if (format_.formatTag != FormatPcm)
            return "is not 16-bit PCM (its WAV format is " + std::to_string(format_.formatTag) +
                   "); only 16-bit PCM can be encoded";
        return "is not 16-bit PCM (it has " + std::to_string(format_.bitsPerSample) +
               "-bit samples); only 16-bit PCM can be encoded";
    case WavProblem::Truncated:
        return "is truncated: its header announces " + sizeText(announcedBytes_) +
               " of audio, the file holds " + sizeText(fileSize_ - format_.dataOffset);
    case WavProblem::LyingHeader:
        return "has a WAV header that gives a wrong size (" + sizeText(announcedBytes_) +
               " of audio in a file of " + sizeText(fileSize_) + ")";
    }
    return {};
}

} // namespace larkspin
