#include "TOpusFile.h"

#include "ByteReading.h"
#include "OggPackets.h"
#include "VorbisComments.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace larkspin {

namespace {

constexpr std::size_t PageHeader = 27;

// The granule position of the last page of the stream in the last span bytes of the file; -1 when
// there is none.
std::int64_t LastGranuleIn(const FileBytes& file, std::uint32_t serial, std::int64_t span) {
    const std::int64_t size = file.Size();
    span = std::min(size, span);
    std::string tail;
    if (!bytes::ReadString(file, size - span, static_cast<std::size_t>(span), tail))
        return -1;
    for (std::size_t p = tail.size() >= PageHeader ? tail.size() - PageHeader + 1 : 0; p-- > 0;) {
        const auto* h = reinterpret_cast<const unsigned char*>(tail.data() + p);
        if (std::memcmp(h, "OggS", 4) != 0 || h[4] != 0 || bytes::LE32(h + 14) != serial)
            continue;
        const std::int64_t granule = static_cast<std::int64_t>(std::uint64_t(bytes::LE32(h + 6)) |
                                                               std::uint64_t(bytes::LE32(h + 10)) << 32);
        if (granule >= 0)
            return granule;
    }
    return -1;
}

// Searched backwards from the end: first in the bytes usually cached, then as far back as the longest
// page reaches.
std::int64_t LastGranule(const FileBytes& file, std::uint32_t serial) {
    const std::int64_t granule = LastGranuleIn(file, serial, 16 * 1024);
    return granule >= 0 ? granule : LastGranuleIn(file, serial, PageHeader + 255 + 255 * 255 + 16 * 1024);
}

} // namespace

bool TOpusFile::Load(const std::string& fileName, bool wantPicture) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file, wantPicture);
}

bool TOpusFile::Load(const FileBytes& file, bool wantPicture) {
    Clear();
    if (!file.IsOpen())
        return false;
    OggPacketReader packets(file);
    std::string packet;
    if (!packets.Next(packet) || packet.size() < 19 || packet.compare(0, 8, "OpusHead") != 0)
        return true;
    const auto* head = reinterpret_cast<const unsigned char*>(packet.data());
    if ((head[8] & 0xF0) != 0 || head[9] == 0)
        return true; // an unknown major version, or no channels
    Valid = true;
    FileSize = file.Size();
    Channels = head[9];
    const std::uint16_t preSkip = bytes::LE16(head + 10);
    const std::uint32_t inputRate = bytes::LE32(head + 12);
    SampleRate = inputRate != 0 ? inputRate : 48000;
    Gain.HeaderGain = static_cast<std::int16_t>(bytes::LE16(head + 16)) / 256.0; // Q7.8 dB
    const std::uint32_t serial = packets.Serial();

    if (!packets.Next(packet) || packet.compare(0, 8, "OpusTags") != 0)
        Problem = packets.Problem().empty() ? "no OpusTags packet" : "OpusTags: " + packets.Problem();
    else if (!ReadVorbisComments(std::string_view(packet).substr(8), *this, wantPicture))
        Problem = "OpusTags: the comment list is cut short";

    // The bitrate counts the audio pages, not the header pages (which may hold a large picture).
    const std::int64_t audioStart = packets.Position();
    const std::int64_t granule = LastGranule(file, serial);
    if (granule > preSkip) {
        Duration = static_cast<double>(granule - preSkip) / 48000;
        const double kbits = std::nearbyint(static_cast<double>(FileSize - audioStart) * 8 / Duration / 1000);
        Bitrate = kbits > 0 && kbits < 4294967295.0 ? static_cast<std::uint32_t>(kbits) : 0;
    }
    return true;
}

} // namespace larkspin
