#include "OggPackets.h"

#include "ByteReading.h"

#include <algorithm>
#include <cstring>

namespace larkspin {

namespace {

constexpr std::size_t PageHeader = 27;
constexpr std::size_t MaxWindow = 1024 * 1024;
// Pages of other streams passed over in search of the next page of ours.
constexpr int MaxForeignPages = 4096;

} // namespace

OggPacketReader::OggPacketReader(const FileBytes& file, std::size_t maxPacket)
    : file_(file), maxPacket_(maxPacket) {}

const unsigned char* OggPacketReader::Bytes(std::int64_t offset, std::size_t count) {
    if (offset < 0)
        return nullptr;
    const auto end = offset + static_cast<std::int64_t>(count);
    const std::string_view head = file_.Head();
    if (end <= static_cast<std::int64_t>(head.size()))
        return reinterpret_cast<const unsigned char*>(head.data() + offset);
    if (offset < windowStart_ || end > windowStart_ + static_cast<std::int64_t>(windowLength_)) {
        // The window moves to offset; what it already holds from there on is kept, the rest is read.
        std::size_t kept = 0;
        if (offset >= windowStart_ && offset < windowStart_ + static_cast<std::int64_t>(windowLength_)) {
            kept = windowLength_ - static_cast<std::size_t>(offset - windowStart_);
            std::memmove(window_.data(), window_.data() + (offset - windowStart_), kept);
        }
        const std::size_t want = std::max(count, windowChunk_);
        windowChunk_ = std::min(windowChunk_ * 2, MaxWindow);
        if (window_.size() < want)
            window_.resize(want);
        windowStart_ = offset;
        windowLength_ = kept;
        const std::int64_t got = file_.Read(offset + static_cast<std::int64_t>(kept), want - kept,
                                            reinterpret_cast<std::uint8_t*>(window_.data() + kept));
        if (got > 0)
            windowLength_ += static_cast<std::size_t>(got);
        if (end > windowStart_ + static_cast<std::int64_t>(windowLength_))
            return nullptr;
    }
    return reinterpret_cast<const unsigned char*>(window_.data() + (offset - windowStart_));
}

bool OggPacketReader::Next(std::string& packet) {
    packet.clear();
    while (true) {
        while (segment_ < segments_) {
            const std::uint8_t lacing = lacing_[segment_++];
            if (packet.size() + lacing > maxPacket_) {
                problem_ = "a packet is larger than " + std::to_string(maxPacket_ / (1024 * 1024)) + " MiB";
                return false;
            }
            packet.append(reinterpret_cast<const char*>(body_ + bodyPos_), lacing);
            bodyPos_ += lacing;
            if (lacing < 255)
                return true;
        }
        if (!NextPage()) {
            if (problem_.empty() && !packet.empty())
                problem_ = "the file ends inside a packet";
            return false;
        }
    }
}

bool OggPacketReader::NextPage() {
    for (int pages = 0; pages <= MaxForeignPages; ++pages) {
        if (pos_ >= file_.Size())
            return false;
        const unsigned char* h = Bytes(pos_, PageHeader);
        if (!h || std::memcmp(h, "OggS", 4) != 0 || h[4] != 0) {
            problem_ = "no Ogg page at byte " + std::to_string(pos_);
            return false;
        }
        const std::size_t segments = h[26];
        const std::uint32_t serial = bytes::LE32(h + 14);
        const unsigned char* whole = Bytes(pos_, PageHeader + segments);
        if (!whole) {
            problem_ = "the Ogg page at byte " + std::to_string(pos_) + " is cut short";
            return false;
        }
        std::size_t length = 0;
        for (std::size_t k = 0; k < segments; ++k)
            length += whole[PageHeader + k];
        const std::size_t pageBytes = PageHeader + segments + length;
        whole = Bytes(pos_, pageBytes);
        if (!whole) {
            problem_ = "the Ogg page at byte " + std::to_string(pos_) + " is cut short";
            return false;
        }
        pos_ += static_cast<std::int64_t>(pageBytes);
        if (first_) {
            serial_ = serial;
            first_ = false;
        }
        if (serial != serial_)
            continue;
        std::memcpy(lacing_, whole + PageHeader, segments);
        segments_ = segments;
        segment_ = 0;
        body_ = whole + PageHeader + segments;
        bodyPos_ = 0;
        return true;
    }
    problem_ = "too many pages of other streams";
    return false;
}

} // namespace larkspin
