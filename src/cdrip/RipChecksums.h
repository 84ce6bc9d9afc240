#pragma once

#include <cstddef>
#include <cstdint>

namespace larkspin {

// Samples of CD audio per sector (stereo 16-bit, 2352 bytes).
inline constexpr std::uint32_t SamplesPerSector = 588;

// What the audio of one ripped track sums to.
struct TrackChecksums {
    std::uint32_t Crc32 = 0;   // the CRC-32 (zlib's) of the audio data, header excluded
    std::uint32_t ArCrcV1 = 0; // AccurateRip's first checksum
    std::uint32_t ArCrcV2 = 0; // AccurateRip's second checksum (carries the product's high word)
    std::uint32_t Peak = 0;    // the largest magnitude of any sample, 0 to 32768
    std::uint64_t Samples = 0; // stereo samples summed
};

// Sums the audio of one track as it is ripped: 16-bit little-endian stereo PCM at 44.1 kHz, fed in
// pieces of any length (a sample may be split between two pieces). The AccurateRip checksums weigh
// each stereo sample (as one 32-bit word) by its 1-based position in the track. The disc's first track
// leaves out its first 5 sectors but one sample, its last track its last 5 sectors, the parts a drive's
// read offset can leave unread. Standard library only.
class TrackChecksummer {
public:
    // trackSamples: the track's length in stereo samples, which places the end of the last track's
    // leftover part.
    TrackChecksummer(std::uint64_t trackSamples, bool firstTrack, bool lastTrack);
    void Add(const std::uint8_t* pcm, std::size_t bytes);
    const TrackChecksums& Result() const { return sums_; }

private:
    void addSample(std::uint32_t sample);

    std::uint64_t from_; // first position summed by AccurateRip (1-based)
    std::uint64_t to_;   // last position summed
    std::uint32_t crc_ = 0xFFFFFFFFu;
    std::uint8_t pending_[4] = {};
    std::size_t pendingBytes_ = 0;
    TrackChecksums sums_;
};

} // namespace larkspin
