#include "RipChecksums.h"

#include <algorithm>
#include <array>

namespace larkspin {

namespace {

// The reflected CRC-32 of zlib, PNG and most rip logs (polynomial 0xEDB88320).
constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> CrcTable = MakeCrcTable();

// The samples a drive's read offset may shift out of reach at the disc's start and end.
constexpr std::uint64_t EdgeSamples = 5 * SamplesPerSector;

std::uint32_t Magnitude(std::uint16_t raw) {
    const auto value = static_cast<std::int16_t>(raw);
    return value < 0 ? static_cast<std::uint32_t>(-static_cast<std::int32_t>(value))
                     : static_cast<std::uint32_t>(value);
}

} // namespace

TrackChecksummer::TrackChecksummer(std::uint64_t trackSamples, bool firstTrack, bool lastTrack)
    : from_(firstTrack ? EdgeSamples : 1),
      to_(lastTrack ? (trackSamples > EdgeSamples ? trackSamples - EdgeSamples : 0) : trackSamples) {}

void TrackChecksummer::Add(const std::uint8_t* pcm, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i)
        crc_ = CrcTable[(crc_ ^ pcm[i]) & 0xFF] ^ (crc_ >> 8);
    sums_.Crc32 = crc_ ^ 0xFFFFFFFFu;
    std::size_t at = 0;
    while (pendingBytes_ > 0 && pendingBytes_ < 4 && at < bytes)
        pending_[pendingBytes_++] = pcm[at++];
    if (pendingBytes_ == 4) {
        addSample(pending_[0] | pending_[1] << 8 | pending_[2] << 16 |
                  static_cast<std::uint32_t>(pending_[3]) << 24);
        pendingBytes_ = 0;
    }
    for (; at + 4 <= bytes; at += 4)
        addSample(pcm[at] | pcm[at + 1] << 8 | pcm[at + 2] << 16 |
                  static_cast<std::uint32_t>(pcm[at + 3]) << 24);
    while (at < bytes)
        pending_[pendingBytes_++] = pcm[at++];
}

void TrackChecksummer::addSample(std::uint32_t sample) {
    const std::uint64_t position = ++sums_.Samples;
    sums_.Peak = std::max({sums_.Peak, Magnitude(static_cast<std::uint16_t>(sample)),
                           Magnitude(static_cast<std::uint16_t>(sample >> 16))});
    if (position < from_ || position > to_)
        return;
    // Positions beyond 2^32 samples (27 hours) cannot occur on a CD; the weight is the low word.
    const std::uint64_t product = static_cast<std::uint64_t>(sample) * static_cast<std::uint32_t>(position);
    sums_.ArCrcV1 += static_cast<std::uint32_t>(product);
    sums_.ArCrcV2 += static_cast<std::uint32_t>(product) + static_cast<std::uint32_t>(product >> 32);
}

} // namespace larkspin
